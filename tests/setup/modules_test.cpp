// The module auto-install decision: the version rule and decision table, the
// module list in AutoLoad.Lst, and damaged registry entries.
#include "Errors.h"
#include "SetupA.h"
#include "SetupFixture.h"
#include "SetupModules.h"

namespace {

using namespace setuptest;

const char* const Medium = "C:\\Medium\\";
const char* const ProgramFolder = "C:\\Program Files\\Tessaly\\";
const char* const DataFolder = "C:\\Tessaly Data\\";
const char* const InstalledStart =
    "\"C:\\Program Files\\Tessaly\\Kest.Exe\" | C:\\Program Files\\Tessaly";

std::vector<std::string> StartupError(const std::string& message) {
    return {"Check Startup | " + message + Hint};
}

class ModuleInstallTest : public SimTest {};

TEST_F(ModuleInstallTest, DecisionTable) {
    const auto missing = StartupError("Program install files missing (2) <> <");
    const auto missingWithFolder =
        StartupError(std::string("Program install files missing (2) <> <") + ProgramFolder);
    const auto tooOld = StartupError("Current Tessaly Program too old to install modules");
    const auto notInstalled = StartupError("Program not properly installed");
    const std::vector<std::string> none;
    struct Case {
        std::string displayName;  // "-": no entry at all
        bool programThere, complete, result;
        std::vector<std::string> boxes;
    } cases[] = {
        {"-", false, true, true, none},                     // 1
        {"-", false, false, false, missing},                // 2
        {"", true, false, false, missingWithFolder},        // 2, entry without a display name
        {"Tessaly 8.1.2", true, true, true, none},          // 3
        {"Tessaly 8.1.2", true, false, false, tooOld},      // 4: 8120000
        {"7000001", true, false, false, tooOld},            // 4
        {"8999999", true, false, false, tooOld},            // 4
        {"Tessaly 7.9.1", true, false, false, tooOld},      // 4: 7910000
        {"Tessaly 9", false, true, true, none},             // 5
        {"Tessaly 9", false, false, false, notInstalled},   // 6
        {"Tessaly 9", true, true, true, none},              // 7
        {"Tessaly 9", true, false, false, none},            // 8: 9000000
        {"Tessaly 8.1", true, false, false, none},          // 8: 81000000
        {"7000000", true, false, false, none},              // 8
        {"Tessaly", true, false, false, none},              // 8: no digits, 0
        {"Tessaly 12345678901", true, false, false, none},  // 8: beyond 32 bits
        {"Tessaly 4294967296", true, false, false, none},   // 8
        {std::string(10000, '8'), true, false, false, none},
        {std::string(10000, 'x'), true, false, false, none},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        if (c.complete) AddMedium(fresh, Medium);
        fresh.AddFile(std::string(Medium) + "Extra.801", "module");
        if (c.displayName != "-") {
            InstallProduct(fresh, c.displayName, ProgramFolder, DataFolder, c.programThere);
        }
        const std::string what = c.displayName.substr(0, 20) + (c.complete ? " complete" : "");
        EXPECT_EQ(CheckModuleInstall(Medium), c.result) << what;
        EXPECT_EQ(BoxesOf(fresh), c.boxes) << what;
        const bool autoInstalled = !c.result && c.boxes.empty();
        EXPECT_EQ(Started(fresh).size(), autoInstalled ? 1u : 0u) << what;
        EXPECT_EQ(fresh.Exists(std::string(DataFolder) + "AutoLoad.Lst"), autoInstalled) << what;
    }
}

// The decision alone: the first matching row wins.
TEST_F(ModuleInstallTest, DecisionRows) {
    struct Case {
        const char* displayName;
        bool filesPresent, programPresent;
        ModuleAction action;
    } cases[] = {
        {"", true, false, ModuleAction::GoAhead},
        {"", false, true, ModuleAction::ReportFilesMissing},
        {"Tessaly 8.1.2", true, true, ModuleAction::GoAhead},
        {"Tessaly 8.1.2", false, true, ModuleAction::ReportTooOld},
        {"7000001", false, false, ModuleAction::ReportTooOld},
        {"8999999", false, true, ModuleAction::ReportTooOld},
        {"Tessaly 9", true, false, ModuleAction::GoAhead},
        {"Tessaly 9", false, false, ModuleAction::ReportNotInstalled},
        {"7000000", false, false, ModuleAction::ReportNotInstalled},
        {"Tessaly 9", false, true, ModuleAction::AutoInstall},
        {"7000000", false, true, ModuleAction::AutoInstall},
        {"9000000", false, true, ModuleAction::AutoInstall},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideModuleInstall(c.displayName, c.filesPresent, c.programPresent), c.action)
            << c.displayName << c.filesPresent << c.programPresent;
    }
}

// An entry whose command names no folder before KestDel.Exe names no installation, even
// with a Kest.Exe in the current folder; a quoted command names its folder without the
// quote.
TEST_F(ModuleInstallTest, ProgramFolderOfTheRegisteredCommand) {
    struct Case {
        std::string command;
        Strings boxes, started;
    } cases[] = {
        {"KestDel.Exe a b \"C:\\Tessaly Data\\\" d",
         StartupError("Program not properly installed"),
         {}},
        {"\"KestDel.Exe\" a b \"C:\\Tessaly Data\\\" d",
         StartupError("Program not properly installed"),
         {}},
        {"\"C:\\Program Files\\Tessaly\\KestDel.Exe\" a b \"C:\\Tessaly Data\\\" d",
         {},
         {InstalledStart}},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.AddFile("C:\\Medium\\Extra.801", "module");
        InstallProduct(fresh, "Tessaly 10.0", ProgramFolder, DataFolder);
        fresh.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString", c.command);
        fresh.AddFile("C:\\Work\\Kest.Exe", "MZ some other program");
        fresh.currentFolder = "C:\\Work";
        EXPECT_FALSE(CheckModuleInstall(Medium)) << c.command;
        EXPECT_EQ(BoxesOf(fresh), c.boxes) << c.command;
        EXPECT_EQ(Started(fresh), c.started) << c.command;
        EXPECT_EQ(fresh.Exists("C:\\Tessaly Data\\AutoLoad.Lst"), !c.started.empty()) << c.command;
        EXPECT_FALSE(fresh.Exists("C:\\Work\\AutoLoad.Lst")) << c.command;
    }
}

TEST_F(ModuleInstallTest, ListsNewModulesInSearchOrder) {
    for (const char* name :
         {"Notes.txt", "Extra.801", "Common.801", "Lang.801", "install.801", "BetaEng.801",
          "Readme101.txt", "COMMONX.801", "LANG.101", "Comm.801", ".801"}) {
        machine.AddFile(std::string(Medium) + name, "data");
    }
    machine.AddFolder("C:\\Medium\\Maps801");
    machine.SetEnumerationOrder(
        "C:\\Medium",
        {"Readme101.txt", "Notes.txt", "Extra.801", "Common.801", "Lang.801", "install.801",
         "BetaEng.801", "COMMONX.801", "LANG.101", "Comm.801", ".801", "Maps801"});
    InstallProduct(machine, "Tessaly 10.0", ProgramFolder, DataFolder);

    EXPECT_FALSE(CheckModuleInstall(Medium));
    EXPECT_EQ(machine.Content("C:\\Tessaly Data\\AutoLoad.Lst"),
              "C:\\Medium\\Readme101.txt\r\nC:\\Medium\\Extra.801\r\nC:\\Medium\\Comm.801\r\n"
              "C:\\Medium\\Maps801\r\nSetup 2.0\r\n");
    EXPECT_EQ(BoxesOf(machine), Strings{});
    EXPECT_EQ(Started(machine), std::vector<std::string>{InstalledStart});
}

TEST_F(ModuleInstallTest, ListGoesToTheProgramFolderWhenTheDataFolderIsNotWritable) {
    struct Case {
        const char* dataFolder;
        const char* list;
    } cases[] = {
        {"C:\\Tessaly Data\\", "C:\\Tessaly Data\\AutoLoad.Lst"},
        {"C:\\Tessaly Data", "C:\\Tessaly Data\\AutoLoad.Lst"},
        {"E:\\Tessaly Data\\", "C:\\Program Files\\Tessaly\\AutoLoad.Lst"},  // read-only drive
        {"C:\\Gone\\", "C:\\Program Files\\Tessaly\\AutoLoad.Lst"},
        {"", "C:\\Program Files\\Tessaly\\AutoLoad.Lst"},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.AddDrive('E', DRIVE_CDROM, true);
        fresh.AddFile("C:\\Medium\\Extra.801", "module");
        InstallProduct(fresh, "Tessaly 10.0", ProgramFolder, "C:\\Tessaly Data\\");
        fresh.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString",
                        std::string(ProgramFolder) + "KestDel.Exe a b \"" + c.dataFolder + "\" d");
        EXPECT_FALSE(CheckModuleInstall(Medium)) << c.dataFolder;
        EXPECT_EQ(fresh.Content(c.list), "C:\\Medium\\Extra.801\r\nSetup 2.0\r\n") << c.dataFolder;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << c.dataFolder;
    }
}

// Any name in the data folder may be another user's link or hard link to a file of
// theirs: the hand-over writes only files it created, deletes only names it made its
// own first, changes no attributes, and still hands the modules over.
TEST_F(ModuleInstallTest, HandOverActsOnNoOtherUsersFile) {
    const std::string list = std::string(DataFolder) + "AutoLoad.Lst";
    const std::string testFile = std::string(DataFolder) + "$$$.$$$";
    struct Case {
        const char* what;
        std::vector<std::string> links;  // names made links to the other user's file
        bool hard;
    } cases[] = {
        {"old list a link", {list}, false},
        {"old list a hard link", {list}, true},
        {"partial list a link", {list + ".new"}, false},
        {"partial list a hard link", {list + ".new"}, true},
        {"test file a link", {testFile}, false},
        {"test file a hard link", {testFile}, true},
        {"all three links", {list, list + ".new", testFile}, false},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.AddFile("C:\\Medium\\Extra.801", "module");
        InstallProduct(fresh, "Tessaly 10.0", ProgramFolder, DataFolder);
        AddOtherUsersFile(fresh);
        for (const std::string& link : c.links) {
            if (c.hard) {
                fresh.AddHardLink(link, OtherUsersFile);
            } else {
                fresh.AddLink(link, OtherUsersFile);
            }
        }

        EXPECT_FALSE(CheckModuleInstall(Medium)) << c.what;

        ExpectOtherUsersFileUntouched(fresh, c.what);
        EXPECT_EQ(fresh.Content(list), "C:\\Medium\\Extra.801\r\nSetup 2.0\r\n") << c.what;
        EXPECT_EQ(fresh.Attributes(list), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)) << c.what;
        EXPECT_EQ(DeletesOfNamesNotOwned(fresh), Strings{}) << c.what;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << c.what;
        EXPECT_EQ(Started(fresh), std::vector<std::string>{InstalledStart}) << c.what;
    }
}

TEST_F(ModuleInstallTest, NoModuleFoundDeletesTheOldListAndStillStarts) {
    machine.AddFile("C:\\Medium\\Readme.txt", "text");
    InstallProduct(machine, "Tessaly 10.0", ProgramFolder, DataFolder);
    machine.AddFile("C:\\Tessaly Data\\AutoLoad.Lst", "C:\\Old\\Old.801\r\nSetup 2.0\r\n");
    EXPECT_FALSE(CheckModuleInstall(Medium));
    EXPECT_FALSE(machine.Exists("C:\\Tessaly Data\\AutoLoad.Lst"));
    EXPECT_EQ(BoxesOf(machine), Strings{});
    EXPECT_EQ(Started(machine), std::vector<std::string>{InstalledStart});
}

TEST_F(ModuleInstallTest, UnwritableListIsReportedAndTheProgramStillStarts) {
    machine.AddDrive('E', DRIVE_FIXED, true);
    machine.AddFile("C:\\Medium\\Extra.801", "module");
    InstallProduct(machine, "Tessaly 10.0", "E:\\Tessaly\\", "");
    EXPECT_FALSE(CheckModuleInstall(Medium));
    EXPECT_EQ(BoxesOf(machine), StartupError("Unable to Auto Install modules"));
    EXPECT_FALSE(machine.Exists("E:\\Tessaly\\AutoLoad.Lst"));
    EXPECT_EQ(Started(machine), std::vector<std::string>{"E:\\Tessaly\\Kest.Exe | E:\\Tessaly"});
}

TEST_F(ModuleInstallTest, DamagedRegistryEntries) {
    const auto notInstalled = StartupError("Program not properly installed");
    struct Case {
        const char* what;
        std::string uninstallString;
        std::vector<std::string> boxes;
        bool started;
    } cases[] = {
        {"display name of the wrong type",
         "C:\\Program Files\\Tessaly\\KestDel.Exe a b c d",
         {"Setup Error | Error accessing KEST Windows' Registry",
          StartupError("Program install files missing (2) <> <")[0]},
         false},
        {"no uninstaller name", "C:\\Program Files\\Tessaly\\Remove.Exe a b c d", notInstalled,
         false},
        {"unbalanced quotes",
         "C:\\Program Files\\Tessaly\\KestDel.Exe \"a \"b\" \"C:\\Tessaly Data\\",
         {},
         true},
        {"100,000 characters", "C:\\" + std::string(100000, 'a') + "\\KestDel.Exe a b c d",
         notInstalled, false},
        {"100,000 quotes", std::string(100000, '"'), notInstalled, false},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.AddFile("C:\\Medium\\Extra.801", "module");
        InstallProduct(fresh, "Tessaly 10.0", ProgramFolder, DataFolder);
        if (c.boxes.size() == 2) fresh.SetDword(HKEY_CURRENT_USER, UninstallKey, "DisplayName", 9);
        fresh.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString", c.uninstallString);
        EXPECT_FALSE(CheckModuleInstall(Medium)) << c.what;
        EXPECT_EQ(BoxesOf(fresh), c.boxes) << c.what;
        EXPECT_EQ(Started(fresh).size(), c.started ? 1u : 0u) << c.what;
        EXPECT_EQ(fresh.Exists("C:\\Tessaly Data\\AutoLoad.Lst"), c.started) << c.what;
    }
}

TEST_F(ModuleInstallTest, CurrentFolderThatCannotBeSetIsAnInputOutputError) {
    const std::string start = "Cannot change the current folder to \"C:\\Missing\". ";
    try {
        ChangeCurrentFolder("C:\\Missing");
        ADD_FAILURE() << "no error raised";
    } catch (const InOutError& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.substr(0, start.size()), start);
        EXPECT_GT(text.size(), start.size() + 3) << "the system's message is missing";
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    }
    EXPECT_EQ(machine.currentFolder, "C:\\");
}

}  // namespace
