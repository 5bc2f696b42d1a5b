// The launcher's whole run: source folder, program choice, unpacking, the age
// test under "autorun", and what the user sees of the start.
#include <algorithm>
#include <map>

#include "SetupA.h"
#include "SetupFixture.h"

namespace {

using namespace setuptest;

const char* const ProgramFolder = "C:\\Program Files\\Tessaly\\";

std::vector<std::string> Started(const winsim::Machine& machine) {
    std::vector<std::string> started;
    for (const auto& p : machine.processes) {
        started.push_back(p.commandLine + " | " + p.currentFolder);
    }
    return started;
}

std::vector<std::string> BoxesCaptioned(const winsim::Machine& machine,
                                        const std::string& caption) {
    std::vector<std::string> texts;
    for (const auto& box : machine.boxes) {
        if (box.caption == caption) texts.push_back(box.text);
    }
    return texts;
}

// A medium with the program only compressed; the stored bytes are given.
void AddCompressedMedium(winsim::Machine& machine, const std::string& folder,
                         const std::string& program, const std::string& library) {
    machine.AddFile(folder + "Kest.Ex_", program);
    machine.AddFile(folder + "Rapi.Dl_", library);
    machine.AddFile(folder + "Install.Msg", "messages");
    machine.AddFile(folder + "Common.801", "common");
    machine.AddFile(folder + "LangEng.801", "english");
}

class StartupTest : public SimTest {};

TEST_F(StartupTest, FindsTheSourceFolderAndStartsTheProgramWithIt) {
    struct Case {
        const char* what;
        const char* ownPath;
        std::vector<std::string> files;
        std::vector<std::string> started;
    } cases[] = {
        {"launcher's folder",
         "C:\\Medium\\Setup.exe",
         {},
         {"C:\\Medium\\Kest.Exe \"C:\\Medium\\\" | C:\\Medium"}},
        {"compressed program below kest\\win32",
         "C:\\Medium\\Setup.exe",
         {"kest\\win32\\Kest.Ex_", "kest\\win32\\Rapi.Dl_", "kest\\win32\\Install.Msg",
          "kest\\win32\\Common.801", "kest\\win32\\Lang.801"},
         {"C:\\Windows\\Temp\\Kest.Exe \"C:\\Medium\\kest\\win32\\\" | C:\\Windows\\Temp"}},
        {"kest\\win32 holding only Kest.Exe is ignored",
         "C:\\Medium\\Setup.exe",
         {"kest\\win32\\Kest.Exe", "kest\\win32\\Rapi.Dl_", "kest\\win32\\Install.Msg",
          "kest\\win32\\Common.801", "kest\\win32\\Lang.801"},
         {"C:\\Medium\\Kest.Exe \"C:\\Medium\\\" | C:\\Medium"}},
        {"kest\\win32 name in other case",
         "C:\\Medium\\Setup.exe",
         {"KEST\\WIN32\\KEST.EX_", "KEST\\WIN32\\RAPI.DL_", "KEST\\WIN32\\INSTALL.MSG",
          "KEST\\WIN32\\COMMON.801", "KEST\\WIN32\\LANG.801"},
         {"C:\\Windows\\Temp\\Kest.Exe \"C:\\Medium\\KEST\\WIN32\\\" | C:\\Windows\\Temp"}},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        AddMedium(fresh, "C:\\Medium\\");
        for (const auto& name : c.files) fresh.AddFile("C:\\Medium\\" + name, "MZ " + name);
        CheckStartup(c.ownPath, "");
        EXPECT_EQ(Started(fresh), c.started) << c.what;
        EXPECT_TRUE(fresh.boxes.empty()) << c.what;
    }
}

TEST_F(StartupTest, LongSourceFolderIsPassedInShortForm) {
    AddMedium(machine, "C:\\Tessaly Medium\\");
    machine.SetShortName("C:\\Tessaly Medium", "TESSAL~1");
    CheckStartup("C:\\Tessaly Medium\\Setup.exe", "");
    EXPECT_EQ(Started(machine),
              std::vector<std::string>{"C:\\TESSAL~1\\Kest.Exe \"C:\\TESSAL~1\\\" | C:\\TESSAL~1"});
}

TEST_F(StartupTest, SourceAtADriveRootRunsFromThatDrive) {
    machine.AddDrive('D', DRIVE_CDROM, true);
    AddMedium(machine, "D:\\");
    CheckStartup("D:\\Setup.exe", "");
    EXPECT_EQ(Started(machine), std::vector<std::string>{"D:\\Kest.Exe \"D:\\\" | D:\\"});
}

TEST_F(StartupTest, CompressedProgramIsUnpackedIntoTheTemporaryFolder) {
    if (!HaveCompressor()) GTEST_SKIP() << "mscompress is missing";
    AddCompressedMedium(machine, "C:\\Medium\\", Compress("MZ the program, packed"),
                        Compress("MZ the library, packed"));
    machine.AddFile("C:\\Windows\\Temp\\Kest.Exe", "an older unpacked program, longer than now");
    CheckStartup("C:\\Medium\\Setup.exe", "");
    EXPECT_EQ(machine.Content("C:\\Windows\\Temp\\Kest.Exe"), "MZ the program, packed");
    EXPECT_EQ(machine.Content("C:\\Windows\\Temp\\Rapi.DLL"), "MZ the library, packed");
    EXPECT_EQ(Started(machine),
              std::vector<std::string>{
                  "C:\\Windows\\Temp\\Kest.Exe \"C:\\Medium\\\" | C:\\Windows\\Temp"});
    EXPECT_TRUE(machine.boxes.empty());
}

TEST_F(StartupTest, WithoutATemporaryFolderDriveCRootIsUsed) {
    machine.tempPathFails = true;
    AddCompressedMedium(machine, "C:\\Medium\\", "MZ program", "MZ library");
    CheckStartup("C:\\Medium\\Setup.exe", "");
    EXPECT_EQ(machine.Content("C:\\Kest.Exe"), "MZ program");
    EXPECT_EQ(machine.Content("C:\\Rapi.DLL"), "MZ library");
    ASSERT_EQ(machine.processes.size(), 1u);
    EXPECT_EQ(machine.processes[0].commandLine, "c:\\Kest.Exe \"C:\\Medium\\\"");
    EXPECT_EQ(CompareNoCase(machine.processes[0].currentFolder, "C:\\"), 0)
        << machine.processes[0].currentFolder;
    EXPECT_TRUE(BoxesCaptioned(machine, "WinExec").empty());
}

TEST_F(StartupTest, MissingCompressedLibraryStopsBeforeTheStart) {
    machine.AddFile("C:\\Medium\\Kest.Ex_", "MZ program");
    machine.AddFile("C:\\Medium\\RApi.Dll", "MZ library");
    machine.AddFile("C:\\Medium\\Install.Msg", "messages");
    machine.AddFile("C:\\Medium\\Common.801", "common");
    machine.AddFile("C:\\Medium\\LangEng.801", "english");
    CheckStartup("C:\\Medium\\Setup.exe", "");
    EXPECT_EQ(Boxes(machine), std::vector<std::string>{
                                  "CopyFile | Error opening source file \"C:\\Medium\\Rapi.Dl_\""});
    EXPECT_TRUE(machine.processes.empty());
    EXPECT_EQ(machine.Content("C:\\Windows\\Temp\\Kest.Exe"), "MZ program");
    EXPECT_FALSE(machine.Exists("C:\\Windows\\Temp\\Rapi.DLL"));
}

TEST_F(StartupTest, ProgramVariantByWindowsVersion) {
    struct Case {
        const char* what;
        bool isWinXP;
        bool readOnlyMedium;
        std::vector<std::string> files;  // program files on the medium, content = name
        const char* runs;                // the program file that starts
        const char* runsContent;
        std::vector<std::string> leftOnMedium;
    } cases[] = {
        {"XP takes the plain name",
         true,
         false,
         {"Kest.Exe", "KestXP.Exe"},
         "D:\\Kest.Exe",
         "MZ KestXP.Exe",
         {"Kest.Exe"}},
        {"XP variant alone",
         true,
         false,
         {"Kest.Ex_", "KestXP.Exe"},
         "D:\\Kest.Exe",
         "MZ KestXP.Exe",
         {"Kest.Ex_", "Kest.Exe"}},
        {"other Windows keep the plain program",
         false,
         false,
         {"Kest.Exe", "KestXP.Exe"},
         "D:\\Kest.Exe",
         "MZ Kest.Exe",
         {"Kest.Exe", "KestXP.Exe"}},
        {"XP unpacks the compressed variant",
         true,
         false,
         {"Kest.Ex_", "KestXP.Ex_"},
         "C:\\Windows\\Temp\\Kest.Exe",
         "MZ KestXP.Ex_",
         {"Kest.Ex_", "KestXP.Ex_"}},
        {"other Windows unpack the plain program",
         false,
         false,
         {"Kest.Ex_", "KestXP.Ex_"},
         "C:\\Windows\\Temp\\Kest.Exe",
         "MZ Kest.Ex_",
         {"Kest.Ex_", "KestXP.Ex_"}},
        {"XP without a variant",
         true,
         false,
         {"Kest.Ex_"},
         "C:\\Windows\\Temp\\Kest.Exe",
         "MZ Kest.Ex_",
         {"Kest.Ex_"}},
        {"XP on a read-only medium runs the plain program",
         true,
         true,
         {"Kest.Exe", "KestXP.Exe"},
         "D:\\Kest.Exe",
         "MZ Kest.Exe",
         {"Kest.Exe", "KestXP.Exe"}},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        fresh.SetWindowsXP();
        State = ProcessState();
        State.IsWinXP = c.isWinXP;
        fresh.AddDrive('D', c.readOnlyMedium ? DRIVE_CDROM : DRIVE_FIXED, c.readOnlyMedium);
        fresh.AddFile("D:\\Rapi.Dl_", "MZ library");
        fresh.AddFile("D:\\Install.Msg", "messages");
        fresh.AddFile("D:\\Common.801", "common");
        fresh.AddFile("D:\\Lang.801", "english");
        for (const auto& name : c.files) fresh.AddFile("D:\\" + name, "MZ " + name);
        CheckStartup("D:\\Setup.exe", "");
        ASSERT_EQ(fresh.processes.size(), 1u) << c.what;
        EXPECT_EQ(fresh.processes[0].commandLine, std::string(c.runs) + " \"D:\\\"") << c.what;
        EXPECT_EQ(fresh.Content(c.runs), c.runsContent) << c.what;
        std::vector<std::string> left;
        for (const auto& name : fresh.List("D:\\")) {
            if (name.substr(0, 4) == "Kest") left.push_back(name);
        }
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, c.leftOnMedium) << c.what;
        EXPECT_TRUE(fresh.boxes.empty()) << c.what;
    }
}

TEST_F(StartupTest, AutorunEndsQuietlyWhenTheInstalledProgramIsNewer) {
    const WORD year2020 = (2020 - 1980) << 9 | 1 << 5 | 1;
    const WORD year2019 = (2019 - 1980) << 9 | 1 << 5 | 1;
    const WORD year2024 = (2024 - 1980) << 9 | 6 << 5 | 15;
    struct Case {
        const char* what;
        const char* argument;
        bool registered;
        bool installedThere;
        WORD installedDate;
        bool compressed;
        bool starts;
    } cases[] = {
        {"autorun, installed newer", "autorun", true, true, year2024, false, false},
        {"mixed case", "AutoRun", true, true, year2024, false, false},
        {"capitals", "AUTORUN", true, true, year2024, false, false},
        {"compressed medium", "autorun", true, true, year2024, true, false},
        {"leading slash", "/autorun", true, true, year2024, false, true},
        {"no argument", "", true, true, year2024, false, true},
        {"longer word", "autorunx", true, true, year2024, false, true},
        {"installed older", "autorun", true, true, year2019, false, true},
        {"same age", "autorun", true, true, year2020, false, true},
        {"no product", "autorun", false, false, 0, false, true},
        {"installed program missing", "autorun", true, false, 0, false, true},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        if (c.compressed) {
            AddCompressedMedium(fresh, "C:\\Medium\\", "MZ program", "MZ library");
            fresh.SetDosWriteTime("C:\\Medium\\Kest.Ex_", year2020, 0);
        } else {
            AddMedium(fresh, "C:\\Medium\\");
            fresh.SetDosWriteTime("C:\\Medium\\Kest.Exe", year2020, 0);
        }
        if (c.registered) {
            InstallProduct(fresh, "Tessaly 10.0", ProgramFolder, "C:\\Tessaly Data\\",
                           c.installedThere);
        }
        if (c.installedThere)
            fresh.SetDosWriteTime("C:\\Program Files\\Tessaly\\Kest.Exe", c.installedDate, 0);
        CheckStartup("C:\\Medium\\Setup.exe", c.argument);
        EXPECT_EQ(fresh.processes.size(), c.starts ? 1u : 0u) << c.what;
        EXPECT_TRUE(fresh.boxes.empty()) << c.what;
        if (c.compressed && !c.starts) {
            EXPECT_FALSE(fresh.Exists("C:\\Windows\\Temp\\Kest.Exe")) << c.what;
        }
    }
}

TEST_F(StartupTest, AutorunAgeTestReadsTheXpProgramThatTookThePlainName) {
    const WORD older = (2019 - 1980) << 9 | 1 << 5 | 1;
    const WORD middle = (2021 - 1980) << 9 | 1 << 5 | 1;
    const WORD newer = (2023 - 1980) << 9 | 1 << 5 | 1;
    struct Case {
        const char* what;
        WORD installed;
        bool starts;
    } cases[] = {
        {"installed older than the XP program", middle, true},
        {"installed newer than the XP program", newer, false},
    };
    for (const Case& c : cases) {
        winsim::Machine fresh;
        State = ProcessState();
        State.IsWinXP = true;
        AddMedium(fresh, "C:\\Medium\\");
        fresh.SetDosWriteTime("C:\\Medium\\Kest.Exe", older, 0);
        fresh.AddFile("C:\\Medium\\KestXP.Exe", "MZ XP program");
        fresh.SetDosWriteTime("C:\\Medium\\KestXP.Exe", (2022 - 1980) << 9 | 1 << 5 | 1, 0);
        InstallProduct(fresh, "Tessaly 10.0", ProgramFolder, "C:\\Tessaly Data\\");
        fresh.SetDosWriteTime("C:\\Program Files\\Tessaly\\Kest.Exe", c.installed, 0);
        CheckStartup("C:\\Medium\\Setup.exe", "autorun");
        EXPECT_EQ(fresh.processes.size(), c.starts ? 1u : 0u) << c.what;
        EXPECT_EQ(fresh.Content("C:\\Medium\\Kest.Exe"), "MZ XP program") << c.what;
    }
}

TEST_F(StartupTest, FailedStartIsExplainedFromTheTable) {
    const std::map<UINT, std::string> texts = {
        {0,
         "0-System was out of memory, executable file was corrupt, or relocations were "
         "invalid."},
        {2, "2-File was not found. C:\\Medium\\Kest.Exe"},
        {3, "3-Path was not found. C:\\Medium\\Kest.Exe"},
        {5,
         "5-Attempt was made to dynamically link to a task, or there was a sharing or "
         "network-protection error."},
        {6, "6-Library required separate data segments for each task."},
        {8, "8-There was insufficient memory to start the application."},
        {10, "10-Windows version was incorrect."},
        {11,
         "11-Executable file was invalid. Either it was not a Windows application or there "
         "was an error in the .EXE image."},
        {12, "12-Application was designed for a different operating system."},
        {13, "13-Application was designed for MS-DOS 4.0."},
        {14, "14-Type of executable file was unknown."},
        {15,
         "15-Attempt was made to load a real-mode application (developed for an earlier "
         "version of Windows)."},
        {16,
         "16-Attempt was made to load a second instance of an executable file containing "
         "multiple data segments that were not marked read-only."},
        {19,
         "19-Attempt was made to load a compressed executable file. The file must be "
         "decompressed before it can be loaded."},
        {20,
         "20-Dynamic-link library (DLL) file was invalid. One of the DLLs required to run "
         "this application was corrupt."},
        {21, "21-Application requires 32-bit extensions."},
    };
    for (UINT result = 0; result <= 40; ++result) {
        winsim::Machine fresh;
        AddMedium(fresh, "C:\\Medium\\");
        fresh.winExecResults["C:\\Medium\\Kest.Exe"] = result;
        CheckStartup("C:\\Medium\\Setup.exe", "");
        std::vector<std::string> expected;
        if (texts.count(result)) {
            expected.push_back(texts.at(result));
        } else if (result < 32) {
            expected.push_back("Failed to run SETUP1.EXE. Error code: " + std::to_string(result));
        }
        EXPECT_EQ(BoxesCaptioned(fresh, "WinExec"), expected) << result;
    }
}

TEST_F(StartupTest, CompressedStartFailureNamesTheTemporaryProgram) {
    AddCompressedMedium(machine, "C:\\Medium\\", "MZ program", "MZ library");
    machine.winExecResults["C:\\Windows\\Temp\\Kest.Exe"] = 2;
    CheckStartup("C:\\Medium\\Setup.exe", "");
    EXPECT_EQ(BoxesCaptioned(machine, "WinExec"),
              std::vector<std::string>{"2-File was not found. C:\\Windows\\Temp\\Kest.Exe"});
}

// The system's own report of the failed start (Wine: "Bad EXE format for %1.") comes
// first when the system has a text for it; the table's text always ends the run.
TEST_F(StartupTest, ProgramThatIsNoProgramEndsWithTheTableText) {
    machine.AddFile("C:\\Medium\\Kest.Exe", "just text, no program");
    machine.AddFile("C:\\Medium\\RApi.Dll", "MZ library");
    machine.AddFile("C:\\Medium\\Install.Msg", "messages");
    machine.AddFile("C:\\Medium\\Common.801", "common");
    machine.AddFile("C:\\Medium\\LangEng.801", "english");
    CheckStartup("C:\\Medium\\Setup.exe", "");
    ASSERT_FALSE(machine.boxes.empty());
    for (size_t i = 0; i + 1 < machine.boxes.size(); ++i) {
        EXPECT_EQ(machine.boxes[i].caption, "Windows Error: WinExec");
    }
    EXPECT_EQ(machine.boxes.back().caption, "WinExec");
    EXPECT_EQ(machine.boxes.back().text,
              "11-Executable file was invalid. Either it was not a Windows application or there "
              "was an error in the .EXE image.");
    EXPECT_TRUE(machine.processes.empty());
}

TEST_F(StartupTest, FileAges) {
    machine.AddFile("C:\\Medium\\Kest.Exe", "x");
    machine.SetDosWriteTime("C:\\Medium\\Kest.Exe", 0x5021, 0x6000);
    machine.AddFolder("C:\\Medium\\Lang");
    struct Case {
        const char* path;
        int age;
    } cases[] = {
        {"C:\\Medium\\Kest.Exe", 0x50216000},
        {"C:\\Medium\\KEST.EXE", 0x50216000},
        {"C:\\Medium\\Kest.*", 0x50216000},
        {"C:\\Medium\\Missing.Exe", -1},
        {"C:\\Nowhere\\Kest.Exe", -1},
        {"C:\\Medium\\Lang", -1},
        {"", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(FileAge(c.path), c.age) << c.path;
}

TEST_F(StartupTest, ChoosesTheXpVariantOnlyOnXpWhenItIsThere) {
    machine.AddFile("C:\\Medium\\KestXP.Exe", "MZ");
    struct Case {
        bool isWinXP;
        const char* xpName;
        const char* chosen;
    } cases[] = {
        {true, "KestXP.Exe", "KestXP.Exe"},
        {true, "KestXP.Ex_", "Kest.Ex_"},
        {false, "KestXP.Exe", "Kest.Exe"},
    };
    for (const Case& c : cases) {
        State.IsWinXP = c.isWinXP;
        const std::string plain = std::string(c.xpName).back() == '_' ? "Kest.Ex_" : "Kest.Exe";
        EXPECT_EQ(ChooseProgramFile("C:\\Medium\\", c.xpName, plain), c.chosen) << c.xpName;
    }
}

}  // namespace
