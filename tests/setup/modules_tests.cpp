// The module auto-install decision: the version rule, the decision table, the
// module list and AutoLoad.Lst, and damaged registry entries.
#include "Errors.h"
#include "SetupA.h"
#include "SetupFixture.h"

namespace {

using namespace setuptest;

const char* const Medium = "C:\\Medium\\";
const char* const ProgramFolder = "C:\\Program Files\\Tessaly\\";
const char* const DataFolder = "C:\\Tessaly Data\\";

// A medium that carries data modules only.
void AddModulesOnly(winsim::Machine& machine) {
    machine.AddFile(std::string(Medium) + "Extra.801", "module");
}

std::string Started(const winsim::Machine& machine) {
    std::string started;
    for (const auto& p : machine.processes) started += p.commandLine + " | " + p.currentFolder;
    return started;
}

class ModuleInstallTest : public SimTest {};

TEST_F(ModuleInstallTest, VersionNumberFromTheDisplayName) {
    struct Case {
        std::string displayName;
        int version;
    } cases[] = {
        {"Tessaly 8.1.2", 8120000},
        {"Tessaly 8.1", 81000000},
        {"Tessaly 9", 9000000},
        {"Tessaly", 0},
        {"", 0},
        {"Tessaly 8.1.2.3", 81230000},
        {"Tessaly 1.2.3.4.5.6.7", 1234567},
        {"v12 build 345", 1234500},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"Tessaly 12345678901", 2147483647},
        {"000000000000000042", 42},
        {std::string(10000, '9'), 2147483647},
        {std::string(10000, 'x'), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VersionNumber(c.displayName), c.version) << c.displayName.substr(0, 40);
    }
}

TEST_F(ModuleInstallTest, DecisionTable) {
    const std::string installFilesMissing =
        "Check Startup | Program install files missing (2) <> <";
    struct Case {
        const char* what;
        const char* displayName;  // nullptr: no "DisplayName" value
        bool registered;          // an uninstall entry names the program folder
        bool programThere;        // the installed Kest.Exe exists
        bool complete;            // the medium holds the full installation files
        bool result;
        std::vector<std::string> boxes;
        bool started;
    } cases[] = {
        {"1: no product, complete medium", nullptr, false, false, true, true, {}, false},
        {"2: no product, modules only",
         nullptr,
         false,
         false,
         false,
         false,
         {installFilesMissing + Hint},
         false},
        {"2: entry without a display name",
         nullptr,
         true,
         true,
         false,
         false,
         {installFilesMissing + ProgramFolder + Hint},
         false},
        {"3: too old, complete medium", "Tessaly 8.1.2", true, true, true, true, {}, false},
        {"4: too old, modules only",
         "Tessaly 8.1.2",
         true,
         true,
         false,
         false,
         {std::string("Check Startup | Current Tessaly Program too old to install modules") + Hint},
         false},
        {"4: lowest old version",
         "7000001",
         true,
         true,
         false,
         false,
         {std::string("Check Startup | Current Tessaly Program too old to install modules") + Hint},
         false},
        {"4: highest old version",
         "8999999",
         true,
         true,
         false,
         false,
         {std::string("Check Startup | Current Tessaly Program too old to install modules") + Hint},
         false},
        {"5: recent, program missing, complete", "Tessaly 9", true, false, true, true, {}, false},
        {"6: recent, program missing, modules only",
         "Tessaly 9",
         true,
         false,
         false,
         false,
         {std::string("Check Startup | Program not properly installed") + Hint},
         false},
        {"6: display name but no entry",
         "Tessaly 9",
         false,
         false,
         false,
         false,
         {std::string("Check Startup | Program not properly installed") + Hint},
         false},
        {"7: recent, program there, complete", "Tessaly 9", true, true, true, true, {}, false},
        {"8: recent, program there, modules only", "Tessaly 9", true, true, false, false, {}, true},
        {"8: two digits pad above the old range",
         "Tessaly 8.1",
         true,
         true,
         false,
         false,
         {},
         true},
        {"8: 7000000 counts as recent", "7000000", true, true, false, false, {}, true},
        {"8: 9000000 counts as recent", "9000000", true, true, false, false, {}, true},
        {"8: no digits", "Tessaly", true, true, false, false, {}, true},
        {"8: eleven digits", "Tessaly 12345678901", true, true, false, false, {}, true},
        {"8: ten digits beyond the range",
         "Tessaly 4294967296",
         true,
         true,
         false,
         false,
         {},
         true},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        fresh.AddFolder("C:\\Medium");
        if (c.complete) {
            AddMedium(fresh, Medium);
        } else {
            AddModulesOnly(fresh);
        }
        if (c.registered) InstallProduct(fresh, "", ProgramFolder, DataFolder, c.programThere);
        if (c.displayName) {
            fresh.SetString(HKEY_CURRENT_USER, UninstallKey, "DisplayName", c.displayName);
        }
        EXPECT_EQ(CheckModuleInstall(Medium), c.result) << c.what;
        EXPECT_EQ(Boxes(fresh), c.boxes) << c.what;
        EXPECT_EQ(
            Started(fresh),
            c.started ? "C:\\Program Files\\Tessaly\\Kest.Exe | C:\\Program Files\\Tessaly" : "")
            << c.what;
        EXPECT_EQ(fresh.Exists(std::string(DataFolder) + "AutoLoad.Lst"), c.started) << c.what;
    }
}

TEST_F(ModuleInstallTest, ListsOnlyNewModulesInSearchOrder) {
    const char* names[] = {"Notes.txt",   "Extra.801",   "Common.801",   "Lang.801",
                           "install.801", "BetaEng.801", "Readme101.txt"};
    for (const char* name : names) machine.AddFile(std::string(Medium) + name, "data");
    machine.SetEnumerationOrder(
        "C:\\Medium", {"Notes.txt", "Readme101.txt", "Extra.801", "Common.801", "Lang.801",
                       "install.801", "BetaEng.801"});
    InstallProduct(machine, "Tessaly 10.0", ProgramFolder, DataFolder);

    EXPECT_FALSE(CheckModuleInstall(Medium));
    EXPECT_EQ(machine.Content("C:\\Tessaly Data\\AutoLoad.Lst"),
              "C:\\Medium\\Readme101.txt\r\nC:\\Medium\\Extra.801\r\nSetup 2.0\r\n");
    EXPECT_TRUE(machine.boxes.empty());
    EXPECT_EQ(Started(machine),
              "C:\\Program Files\\Tessaly\\Kest.Exe | C:\\Program Files\\Tessaly");
}

TEST_F(ModuleInstallTest, NameRulesIgnoreCaseAndTakeFolders) {
    const char* files[] = {"COMMONX.801", "common",      "LANGUAGE.101", "lang",
                           "INSTALL.801", "betaeng.801", ".x801",        "Comm.801",
                           "Lan.101",     "Extra.80",    "Install.8010"};
    for (const char* name : files) machine.AddFile(std::string(Medium) + name, "data");
    machine.AddFolder("C:\\Medium\\Maps801");
    InstallProduct(machine, "Tessaly 10.0", ProgramFolder, DataFolder);

    EXPECT_FALSE(CheckModuleInstall(Medium));
    EXPECT_EQ(machine.Content("C:\\Tessaly Data\\AutoLoad.Lst"),
              "C:\\Medium\\Comm.801\r\nC:\\Medium\\Lan.101\r\nC:\\Medium\\Install.8010\r\n"
              "C:\\Medium\\Maps801\r\nSetup 2.0\r\n");
}

TEST_F(ModuleInstallTest, WhereTheListGoes) {
    struct Case {
        const char* what;
        const char* dataFolder;
        bool dataFolderReadOnly;
        const char* list;
    } cases[] = {
        {"writable data folder", "C:\\Tessaly Data\\", false, "C:\\Tessaly Data\\AutoLoad.Lst"},
        {"data folder on a read-only drive", "E:\\Tessaly Data\\", true,
         "C:\\Program Files\\Tessaly\\AutoLoad.Lst"},
        {"missing data folder", "C:\\Gone\\", false, "C:\\Program Files\\Tessaly\\AutoLoad.Lst"},
        {"no data folder named", "", false, "C:\\Program Files\\Tessaly\\AutoLoad.Lst"},
        {"data folder without backslash", "C:\\Tessaly Data", false,
         "C:\\Tessaly Data\\AutoLoad.Lst"},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        if (c.dataFolderReadOnly) fresh.AddDrive('E', DRIVE_CDROM, true);
        AddModulesOnly(fresh);
        InstallProduct(fresh, "Tessaly 10.0", ProgramFolder, "", true);
        fresh.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString",
                        std::string(ProgramFolder) + "KestDel.Exe \"Tessaly\" \"Tessaly\" \"" +
                            c.dataFolder + "\" \"C:\\Extra\\\"");
        if (std::string(c.dataFolder) == "C:\\Tessaly Data\\" ||
            std::string(c.dataFolder) == "C:\\Tessaly Data") {
            fresh.AddFolder("C:\\Tessaly Data");
        }
        EXPECT_FALSE(CheckModuleInstall(Medium)) << c.what;
        EXPECT_EQ(fresh.Content(c.list), "C:\\Medium\\Extra.801\r\nSetup 2.0\r\n") << c.what;
        EXPECT_TRUE(fresh.boxes.empty()) << c.what;
        EXPECT_EQ(fresh.processes.size(), 1u) << c.what;
    }
}

TEST_F(ModuleInstallTest, NoModuleFoundDeletesTheOldListAndStillStarts) {
    machine.AddFile("C:\\Medium\\Readme.txt", "text");
    InstallProduct(machine, "Tessaly 10.0", ProgramFolder, DataFolder);
    machine.AddFile("C:\\Tessaly Data\\AutoLoad.Lst", "C:\\Old\\Old.801\r\nSetup 2.0\r\n");

    EXPECT_FALSE(CheckModuleInstall(Medium));
    EXPECT_FALSE(machine.Exists("C:\\Tessaly Data\\AutoLoad.Lst"));
    EXPECT_TRUE(machine.boxes.empty());
    EXPECT_EQ(Started(machine),
              "C:\\Program Files\\Tessaly\\Kest.Exe | C:\\Program Files\\Tessaly");
}

TEST_F(ModuleInstallTest, UnwritableListIsReportedAndTheProgramStillStarts) {
    machine.AddDrive('E', DRIVE_FIXED, true);
    AddModulesOnly(machine);
    InstallProduct(machine, "Tessaly 10.0", "E:\\Tessaly\\", "");

    EXPECT_FALSE(CheckModuleInstall(Medium));
    EXPECT_EQ(Boxes(machine),
              std::vector<std::string>{
                  std::string("Check Startup | Unable to Auto Install modules") + Hint});
    EXPECT_FALSE(machine.Exists("E:\\Tessaly\\AutoLoad.Lst"));
    EXPECT_EQ(Started(machine), "E:\\Tessaly\\Kest.Exe | E:\\Tessaly");
}

TEST_F(ModuleInstallTest, DamagedRegistryEntries) {
    const std::string longFolder = "C:\\" + std::string(100000, 'a') + "\\";
    struct Case {
        const char* what;
        DWORD displayType;
        std::string uninstallString;
        std::vector<std::string> boxes;
        std::string started;
    } cases[] = {
        {"display name of the wrong type",
         REG_DWORD,
         "C:\\Program Files\\Tessaly\\KestDel.Exe a b \"C:\\Tessaly Data\\\" d",
         {"Setup Error | Error accessing KEST Windows' Registry",
          std::string("Check Startup | Program install files missing (2) <> <") + Hint},
         ""},
        {"uninstaller name missing",
         REG_SZ,
         "C:\\Program Files\\Tessaly\\Remove.Exe a b c d",
         {std::string("Check Startup | Program not properly installed") + Hint},
         ""},
        {"unbalanced quotes",
         REG_SZ,
         "C:\\Program Files\\Tessaly\\KestDel.Exe \"Tessaly \"Tessaly\" \"C:\\Tessaly Data\\",
         {},
         "C:\\Program Files\\Tessaly\\Kest.Exe | C:\\Program Files\\Tessaly"},
        {"100,000 characters",
         REG_SZ,
         longFolder + "KestDel.Exe a b c d",
         {std::string("Check Startup | Program not properly installed") + Hint},
         ""},
        {"100,000 characters without the uninstaller",
         REG_SZ,
         std::string(100000, '"'),
         {std::string("Check Startup | Program not properly installed") + Hint},
         ""},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        AddModulesOnly(fresh);
        fresh.AddFile("C:\\Program Files\\Tessaly\\Kest.Exe", "MZ installed");
        fresh.AddFolder("C:\\Tessaly Data");
        if (c.displayType == REG_DWORD) {
            fresh.SetDword(HKEY_CURRENT_USER, UninstallKey, "DisplayName", 9);
        } else {
            fresh.SetString(HKEY_CURRENT_USER, UninstallKey, "DisplayName", "Tessaly 10.0");
        }
        fresh.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString", c.uninstallString);
        EXPECT_FALSE(CheckModuleInstall(Medium)) << c.what;
        EXPECT_EQ(Boxes(fresh), c.boxes) << c.what;
        EXPECT_EQ(Started(fresh), c.started) << c.what;
        EXPECT_EQ(fresh.Exists("C:\\Tessaly Data\\AutoLoad.Lst"), !c.started.empty()) << c.what;
    }
}

TEST_F(ModuleInstallTest, CurrentFolderThatCannotBeSetIsAnInputOutputError) {
    try {
        ChangeCurrentFolder("C:\\Missing Folder");
        ADD_FAILURE() << "no error raised";
    } catch (const InOutError& error) {
        const std::string text = error.what();
        const std::string start = "Cannot change the current folder to \"C:\\Missing Folder\". ";
        EXPECT_EQ(text.substr(0, start.size()), start);
        EXPECT_GT(text.size(), start.size()) << "the system's message is missing";
        EXPECT_EQ(text.find('\n'), std::string::npos);
    }
    EXPECT_EQ(machine.currentFolder, "C:\\");
}

}  // namespace
