// The launcher's whole run: source folder, program choice, unpacking, the age
// test under "autorun", and what the user sees of the start.
#include <algorithm>
#include <map>

#include "SetupA.h"
#include "SetupFiles.h"
#include "SetupFixture.h"
#include "WinSys.h"

namespace {

using namespace setuptest;

const char* const ProgramFolder = "C:\\Program Files\\Tessaly\\";
const char* const InPlace = "C:\\Medium\\Kest.Exe \"C:\\Medium\\\" | C:\\Medium";
// The folder the run makes for the unpacked program (from the machine's tick count and
// process number), and the one it takes when that name is taken.
const char* const Unpacked = "C:\\Windows\\Temp\\Kest9F15";
const char* const UnpackedNext = "C:\\Windows\\Temp\\Kest9F16";

WORD DosDate(int year) { return static_cast<WORD>((year - 1980) << 9 | 1 << 5 | 1); }

class StartupTest : public SimTest {};

TEST_F(StartupTest, SourceFolderAndCommandLine) {
    const std::string fromTemp = std::string(Unpacked) + "\\Kest.Exe \"C:\\Medium\\";
    struct Case {
        const char* ownPath;
        const char* medium;   // where the installation files are
        const char* program;  // the program's name there
        const char* extra;    // a further file, or nullptr
        std::string started;
    } cases[] = {
        {"C:\\Medium\\Setup.exe", "C:\\Medium\\", "Kest.Exe", nullptr, InPlace},
        {"C:\\Medium\\Setup.exe", "C:\\Medium\\kest\\win32\\", "Kest.Ex_", nullptr,
         fromTemp + "kest\\win32\\\" | " + Unpacked},
        {"C:\\Medium\\Setup.exe", "C:\\Medium\\KEST\\WIN32\\", "KEST.EX_", nullptr,
         fromTemp + "KEST\\WIN32\\\" | " + Unpacked},
        {"C:\\Medium\\Setup.exe", "C:\\Medium\\", "Kest.Exe", "C:\\Medium\\kest\\win32\\Kest.Exe",
         InPlace},
        {"C:\\Tessaly Medium\\Setup.exe", "C:\\Tessaly Medium\\", "Kest.Exe", nullptr,
         "C:\\TESSAL~1\\Kest.Exe \"C:\\TESSAL~1\\\" | C:\\TESSAL~1"},
        {"D:\\Setup.exe", "D:\\", "Kest.Exe", nullptr, "D:\\Kest.Exe \"D:\\\" | D:\\"},
        // "D:" names the drive's own current folder, which need not be its root.
        {"D:\\Setup.exe", "D:\\", "Kest.Exe", "D:\\Lists\\x", "D:\\Kest.Exe \"D:\\\" | D:\\Lists"},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.AddDrive('D', DRIVE_CDROM, true);
        AddMedium(fresh, c.medium, c.program, "Rapi.Dl_");
        if (c.extra) fresh.AddFile(c.extra, "MZ");
        if (fresh.Exists("D:\\Lists")) fresh.driveFolders['D'] = "D:\\Lists";
        if (fresh.Exists("C:\\Tessaly Medium"))
            fresh.SetShortName("C:\\Tessaly Medium", "TESSAL~1");
        CheckStartup(c.ownPath, "");
        EXPECT_EQ(Started(fresh), std::vector<std::string>{c.started}) << c.medium;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << c.medium;
    }
}

// Without a short form the program path keeps its blanks; quoted, it cannot be
// mistaken for C:\Tessaly.exe.
TEST_F(StartupTest, ProgramPathWithBlanksIsQuoted) {
    machine.SetShortNamesEnabled('C', false);
    AddMedium(machine, "C:\\Tessaly Medium\\");
    machine.AddFile("C:\\Tessaly.exe", "MZ a stranger");
    CheckStartup("C:\\Tessaly Medium\\Setup.exe", "");
    EXPECT_EQ(Started(machine), std::vector<std::string>{"\"C:\\Tessaly Medium\\Kest.Exe\" "
                                                         "\"C:\\Tessaly Medium\\\" | "
                                                         "C:\\Tessaly Medium"});
}

TEST_F(StartupTest, CompressedProgramIsUnpackedIntoTheTemporaryFolder) {
    if (!HaveCompressor()) GTEST_SKIP() << "mscompress is missing";
    AddMedium(machine, "C:\\Medium\\", "Kest.Ex_", "Rapi.Dl_");
    machine.AddFile("C:\\Medium\\Kest.Ex_", Compress("MZ the program, packed"));
    machine.AddFile("C:\\Medium\\Rapi.Dl_", Compress("MZ the library, packed"));
    CheckStartup("C:\\Medium\\Setup.exe", "");
    EXPECT_EQ(machine.Content(std::string(Unpacked) + "\\Kest.Exe"), "MZ the program, packed");
    EXPECT_EQ(machine.Content(std::string(Unpacked) + "\\Rapi.DLL"), "MZ the library, packed");
    EXPECT_EQ(BoxesOf(machine), Strings{});
}

// The program is unpacked into a folder the run has just made, never through a name
// that was there before (someone else's file, or a link to it, named Kest.Exe; a folder
// of the name the run would take), and starts there. For an administrator on the NT
// family only SYSTEM and the Administrators may write the folder.
TEST_F(StartupTest, UnpackedProgramRunsFromAFolderOfItsOwn) {
    const Strings adminsOnly = {"protected", "allow S-1-5-18 0x1F01FF inherit 3",
                                "allow S-1-5-32-544 0x1F01FF inherit 3",
                                "allow S-1-1-0 0x1200A9 inherit 3"};
    const Strings adminsOnlyNt4 = {"allow S-1-5-18 0x1F01FF inherit 0",
                                   "allow S-1-5-32-544 0x1F01FF inherit 0",
                                   "allow S-1-1-0 0x1200A9 inherit 0"};
    struct Case {
        const char* what;
        char windows;  // '9' 98, '4' NT 4.0, 'A' 10 as administrator, 'U' 10 as user
        bool nameTaken;
        std::string folder;
        Strings access;
    } cases[] = {
        {"98", '9', false, Unpacked, {}},
        {"user", 'U', false, Unpacked, {}},
        {"administrator", 'A', false, Unpacked, adminsOnly},
        {"NT 4.0 administrator", '4', false, Unpacked, adminsOnlyNt4},
        {"name taken", 'A', true, UnpackedNext, adminsOnly},
    };
    for (const Case& c : cases) {
        ProcessState state;
        state.IsNT = c.windows != '9';
        state.IsAdmin = c.windows != 'U';
        CleanMachine fresh(std::move(state));
        if (c.windows == '9') fresh.SetWindows98();
        if (c.windows == '4') fresh.SetWindowsNT4();
        AddMedium(fresh, "C:\\Medium\\", "Kest.Ex_", "Rapi.Dl_");
        fresh.AddFile("C:\\Windows\\Temp\\Kest.Exe", "someone's file");
        fresh.AddFile("C:\\Windows\\Temp\\Rapi.DLL", "someone's library");
        if (c.nameTaken) fresh.AddFile(std::string(Unpacked) + "\\Kest.Exe", "MZ planted");
        CheckStartup("C:\\Medium\\Setup.exe", "");
        EXPECT_EQ(Started(fresh), Strings{c.folder + "\\Kest.Exe \"C:\\Medium\\\" | " + c.folder})
            << c.what;
        EXPECT_EQ(fresh.Content(c.folder + "\\Kest.Exe"), "MZ program") << c.what;
        EXPECT_EQ(fresh.Content(c.folder + "\\Rapi.DLL"), "MZ library") << c.what;
        EXPECT_EQ(fresh.Access(c.folder), c.access) << c.what;
        EXPECT_EQ(fresh.Content("C:\\Windows\\Temp\\Kest.Exe"), "someone's file") << c.what;
        EXPECT_EQ(fresh.Content("C:\\Windows\\Temp\\Rapi.DLL"), "someone's library") << c.what;
        EXPECT_EQ(fresh.Content(std::string(Unpacked) + "\\Kest.Exe"),
                  c.nameTaken ? "MZ planted" : "MZ program")
            << c.what;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << c.what;
    }
}

// When no folder can be made, the user hears why and nothing is unpacked or started.
TEST_F(StartupTest, NoUnpackFolderStopsBeforeTheUnpacking) {
    const struct Case {
        const char* what;
        const char* missingFunction;  // of advapi32, for an administrator
        std::string box;
    } cases[] = {
        {"no folder", nullptr,
         "Check Startup | Cannot make a folder to unpack the program into in "
         "\"C:\\Windows\\Temp\\\". Write protected."},
        {"no access list", "InitializeAcl",
         "Check Startup | Cannot make a protected folder to unpack the program into. "
         "Procedure not found."},
    };
    for (const Case& c : cases) {
        ProcessState state;
        state.IsNT = true;
        state.IsAdmin = c.missingFunction != nullptr;
        CleanMachine fresh(std::move(state));
        fresh.messageTexts[ERROR_WRITE_PROTECT] = "Write protected.\r\n";
        fresh.messageTexts[ERROR_PROC_NOT_FOUND] = "Procedure not found.\r\n";
        if (c.missingFunction) {
            fresh.missingExports = {c.missingFunction};
        } else {
            fresh.faults.plan.calls = {"CreateDirectoryA"};
        }
        AddMedium(fresh, "C:\\Medium\\", "Kest.Ex_", "Rapi.Dl_");
        CheckStartup("C:\\Medium\\Setup.exe", "");
        EXPECT_EQ(BoxesOf(fresh), Strings{c.box}) << c.what;
        EXPECT_EQ(fresh.Lines("write: "), Strings{}) << c.what;
        EXPECT_EQ(fresh.Attributes(Unpacked), INVALID_FILE_ATTRIBUTES) << c.what;
        EXPECT_EQ(Started(fresh), Strings{}) << c.what;
    }
}

// The program is unpacked into a folder of its own in the root of drive C and runs
// there.
TEST_F(StartupTest, WithoutATemporaryFolderDriveCRootIsUsed) {
    machine.faults.getTempPath.fail = true;
    machine.messageTexts[ERROR_PATH_NOT_FOUND] = "Path not found.\r\n";
    machine.AddFolder("C:\\Work");
    machine.currentFolder = "C:\\Work";
    AddMedium(machine, "C:\\Medium\\", "Kest.Ex_", "Rapi.Dl_");
    CheckStartup("C:\\Medium\\Setup.exe", "");
    EXPECT_EQ(machine.Content("C:\\Kest9F15\\Kest.Exe"), "MZ program");
    EXPECT_EQ(machine.Content("C:\\Kest9F15\\Rapi.DLL"), "MZ library");
    EXPECT_EQ(Started(machine), Strings{"c:\\Kest9F15\\Kest.Exe \"C:\\Medium\\\" | c:\\Kest9F15"});
    EXPECT_EQ(BoxesOf(machine), Strings{"Windows Error: GetTempPath | Path not found. "});
}

// A library missing from the medium, or a temporary folder whose drive fills up while
// the program is unpacked: the copy's own box, and nothing is started.
TEST_F(StartupTest, MissingCompressedLibraryStopsBeforeTheStart) {
    struct Case {
        const char* library;
        long long freeSpace;  // on drive C once the medium is in place; -1: plenty
        std::string box;
        std::string unpacked;
    } cases[] = {
        {"RApi.Dll", -1, "CopyFile | Error opening source file \"C:\\Medium\\Rapi.Dl_\"",
         "MZ program"},
        {"Rapi.Dl_", 4,
         "CopyFile | Error copying file \"C:\\Medium\\Kest.Ex_\" to "
         "\"C:\\Windows\\Temp\\Kest9F15\\Kest.Exe\"",
         "MZ p"},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        AddMedium(fresh, "C:\\Medium\\", "Kest.Ex_", c.library);
        if (c.freeSpace >= 0) fresh.SetFreeSpace('C', c.freeSpace);
        CheckStartup("C:\\Medium\\Setup.exe", "");
        EXPECT_EQ(BoxesOf(fresh), std::vector<std::string>{c.box}) << c.library;
        EXPECT_TRUE(fresh.programs.started.empty()) << c.library;
        EXPECT_EQ(fresh.Content(std::string(Unpacked) + "\\Kest.Exe"), c.unpacked) << c.library;
        EXPECT_FALSE(fresh.Exists(std::string(Unpacked) + "\\Rapi.DLL")) << c.library;
    }
}

// The medium goes between the module check and the launcher's own check of the
// installation files (a disc taken out): every search of the second check fails.
TEST_F(StartupTest, InstallFilesThatGoBetweenTheTwoChecksStopTheLaunch) {
    AddMedium(machine, "C:\\Medium\\");
    ASSERT_TRUE(InstallFilesPresent("C:\\Medium\\"));
    const long searchesPerCheck = machine.faults.callsByName["FindFirstFileA"];
    machine.faults.callsByName.clear();
    // One search for "kest\\win32\\Kest.Ex_", then the module check's, then the second check's.
    for (long n = 1; n <= searchesPerCheck; ++n) {
        machine.faults.plan.numberedCalls["FindFirstFileA"].push_back(1 + searchesPerCheck + n);
    }
    CheckStartup("C:\\Medium\\Setup.exe", "");
    EXPECT_EQ(BoxesOf(machine),
              std::vector<std::string>{"Check Startup | Program install files missing. (1)" +
                                       std::string(Hint)});
    EXPECT_TRUE(machine.programs.started.empty());
}

TEST_F(StartupTest, ProgramVariantByWindowsVersion) {
    struct Case {
        bool isWinXP, readOnly;
        std::vector<std::string> files;
        const char* runs;  // the started file and its content
        const char* content;
        std::vector<std::string> left;  // program files left on the medium
    } cases[] = {
        {true, false, {"Kest.Exe", "KestXP.Exe"}, "D:\\Kest.Exe", "KestXP.Exe", {"Kest.Exe"}},
        {false,
         false,
         {"Kest.Exe", "KestXP.Exe"},
         "D:\\Kest.Exe",
         "Kest.Exe",
         {"Kest.Exe", "KestXP.Exe"}},
        {true,
         false,
         {"Kest.Ex_", "KestXP.Ex_"},
         "C:\\Windows\\Temp\\Kest9F15\\Kest.Exe",
         "KestXP.Ex_",
         {"Kest.Ex_", "KestXP.Ex_"}},
        {false,
         false,
         {"Kest.Ex_", "KestXP.Ex_"},
         "C:\\Windows\\Temp\\Kest9F15\\Kest.Exe",
         "Kest.Ex_",
         {"Kest.Ex_", "KestXP.Ex_"}},
        {true,
         true,
         {"Kest.Exe", "KestXP.Exe"},
         "D:\\Kest.Exe",
         "Kest.Exe",
         {"Kest.Exe", "KestXP.Exe"}},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        State.IsWinXP = c.isWinXP;
        fresh.AddDrive('D', c.readOnly ? DRIVE_CDROM : DRIVE_FIXED, c.readOnly);
        AddMedium(fresh, "D:\\", c.files[0], "Rapi.Dl_");
        for (const auto& name : c.files) fresh.AddFile("D:\\" + name, "MZ " + name);
        CheckStartup("D:\\Setup.exe", "");
        const std::string what = c.files[1] + (c.isWinXP ? " on XP" : "");
        ASSERT_EQ(Started(fresh).size(), 1u) << what;
        EXPECT_EQ(fresh.programs.started[0].commandLine, std::string(c.runs) + " \"D:\\\"") << what;
        EXPECT_EQ(fresh.Content(c.runs), std::string("MZ ") + c.content) << what;
        std::vector<std::string> left;
        for (const auto& name : fresh.List("D:\\")) {
            if (name.compare(0, 4, "Kest") == 0) left.push_back(name);
        }
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, c.left) << what;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << what;
    }
}

TEST_F(StartupTest, AutorunEndsQuietlyWhenTheInstalledProgramIsNewer) {
    struct Case {
        const char* argument;
        int installedYear;  // 0: product not installed; -1: installed Kest.Exe missing
        bool compressed, starts;
    } cases[] = {
        {"autorun", 2024, false, false}, {"AutoRun", 2024, false, false},
        {"AUTORUN", 2024, true, false},  {"/autorun", 2024, false, true},
        {"", 2024, false, true},         {"autorunx", 2024, false, true},
        {"autorun", 2019, false, true},  {"autorun", 2020, false, true},
        {"autorun", 0, false, true},     {"autorun", -1, false, true},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        const std::string program = c.compressed ? "Kest.Ex_" : "Kest.Exe";
        AddMedium(fresh, "C:\\Medium\\", program, "Rapi.Dl_");
        fresh.SetDosWriteTime("C:\\Medium\\" + program, DosDate(2020), 0);
        if (c.installedYear != 0) {
            InstallProduct(fresh, "Tessaly 10", ProgramFolder, "", c.installedYear > 0);
        }
        if (c.installedYear > 0) {
            fresh.SetDosWriteTime("C:\\Program Files\\Tessaly\\Kest.Exe", DosDate(c.installedYear),
                                  0);
        }
        CheckStartup("C:\\Medium\\Setup.exe", c.argument);
        const std::string what = std::string(c.argument) + " " + std::to_string(c.installedYear);
        EXPECT_EQ(fresh.programs.started.size(), c.starts ? 1u : 0u) << what;
        EXPECT_EQ(fresh.Exists(std::string(Unpacked) + "\\Kest.Exe"), c.compressed && c.starts)
            << what;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << what;
    }
}

TEST_F(StartupTest, AutorunWithADamagedUninstallEntryRaises) {
    AddMedium(machine, "C:\\Medium\\");
    InstallProduct(machine, "Tessaly 10", ProgramFolder, "");
    machine.SetDword(HKEY_CURRENT_USER, UninstallKey, "UninstallString", 1);
    EXPECT_THROW(CheckStartup("C:\\Medium\\Setup.exe", "autorun"), RegistryError);
    EXPECT_EQ(BoxesOf(machine),
              std::vector<std::string>{"Setup Error | Error accessing KEST Windows' Registry"});
    EXPECT_TRUE(Started(machine).empty());
}

// After the XP program has taken the name Kest.Exe, its age is that of the file
// now bearing the name, not that of the vanished KestXP.Exe.
TEST_F(StartupTest, AutorunAgeTestReadsTheXpProgramThatTookThePlainName) {
    for (int installedYear : {2021, 2023}) {
        CleanMachine fresh;
        State.IsWinXP = true;
        AddMedium(fresh, "C:\\Medium\\");
        fresh.SetDosWriteTime("C:\\Medium\\Kest.Exe", DosDate(2019), 0);
        fresh.AddFile("C:\\Medium\\KestXP.Exe", "MZ XP program");
        fresh.SetDosWriteTime("C:\\Medium\\KestXP.Exe", DosDate(2022), 0);
        InstallProduct(fresh, "Tessaly 10", ProgramFolder, "");
        fresh.SetDosWriteTime("C:\\Program Files\\Tessaly\\Kest.Exe", DosDate(installedYear), 0);
        CheckStartup("C:\\Medium\\Setup.exe", "autorun");
        EXPECT_EQ(fresh.programs.started.size(), installedYear < 2022 ? 1u : 0u) << installedYear;
        EXPECT_EQ(fresh.Content("C:\\Medium\\Kest.Exe"), "MZ XP program") << installedYear;
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
    // The system's own report of the failed start comes first.
    const std::map<DWORD, std::string> systemTexts = {
        {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory."},
        {ERROR_FILE_NOT_FOUND, "File not found."},
        {ERROR_PATH_NOT_FOUND, "Path not found."},
        {ERROR_BAD_EXE_FORMAT, "Bad EXE format."},
        {ERROR_ACCESS_DENIED, "Access denied."},
        {ERROR_INVALID_PARAMETER, "Bad parameter."},
    };
    const std::map<UINT, DWORD> errors = {{0, ERROR_NOT_ENOUGH_MEMORY}, {2, ERROR_FILE_NOT_FOUND},
                                          {3, ERROR_PATH_NOT_FOUND},    {5, ERROR_ACCESS_DENIED},
                                          {8, ERROR_NOT_ENOUGH_MEMORY}, {11, ERROR_BAD_EXE_FORMAT}};
    for (UINT result = 0; result <= 33; ++result) {
        CleanMachine fresh;
        for (const auto& text : systemTexts) fresh.messageTexts[text.first] = text.second + "\r\n";
        AddMedium(fresh, "C:\\Medium\\");
        fresh.faults.winExecResults["C:\\Medium\\Kest.Exe"] = result;
        CheckStartup("C:\\Medium\\Setup.exe", "");
        std::vector<std::string> expected;
        if (result < 32) {
            const DWORD error = errors.count(result) ? errors.at(result) : ERROR_INVALID_PARAMETER;
            expected.push_back("Windows Error: WinExec | " + systemTexts.at(error) + " ");
        }
        if (texts.count(result)) expected.push_back("WinExec | " + texts.at(result));
        if (!texts.count(result) && result < 32) {
            expected.push_back("WinExec | Failed to run SETUP1.EXE. Error code: " +
                               std::to_string(result));
        }
        EXPECT_EQ(BoxesOf(fresh), expected) << result;
    }
}

// A Kest.Exe that is no program: the system's own report of the failed start
// (when the system has a text for it), then the table's text.
TEST_F(StartupTest, ProgramThatIsNoProgramEndsWithTheTableText) {
    AddMedium(machine, "C:\\Medium\\");
    machine.AddFile("C:\\Medium\\Kest.Exe", "just text, no program");
    machine.messageTexts[ERROR_BAD_EXE_FORMAT] = "Bad EXE format for %1.\r\n";
    CheckStartup("C:\\Medium\\Setup.exe", "");
    EXPECT_EQ(BoxesOf(machine),
              (Strings{"Windows Error: WinExec | Bad EXE format for %1. ",
                       "WinExec | 11-Executable file was invalid. Either it was not a Windows "
                       "application or there was an error in the .EXE image."}));
    EXPECT_TRUE(machine.programs.started.empty());
}

// On Windows XP the XP variant takes the plain program's name; when it cannot, the
// plain program stays in place and is started.
TEST_F(StartupTest, XpVariantReplacesTheProgramOrLeavesItInPlace) {
    struct Case {
        const char* what;
        const char* busy;  // a file in use, or nullptr
        Strings files;
        std::string program;
        int asideLink;  // a left-over Kest.Old: 0 none, 1 a link, 2 a hard link to another's file
    } cases[] = {
        {"replaced", nullptr, {"Kest.Exe"}, "MZ XP variant", 0},
        {"variant in use", "C:\\Medium\\KestXP.Exe", {"Kest.Exe", "KestXP.Exe"}, "MZ program", 0},
        {"program in use", "C:\\Medium\\Kest.Exe", {"Kest.Exe", "KestXP.Exe"}, "MZ program", 0},
        {"set-aside name a link", nullptr, {"Kest.Exe"}, "MZ XP variant", 1},
        {"set-aside name a hard link", nullptr, {"Kest.Exe"}, "MZ XP variant", 2},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.SetWindowsXP();
        State.IsWinXP = true;
        AddMedium(fresh, "C:\\Medium\\", "Kest.Exe", "RApi.Dll");
        fresh.AddFile("C:\\Medium\\KestXP.Exe", "MZ XP variant");
        if (c.busy) fresh.SetInUse(c.busy);
        AddOtherUsersFile(fresh);
        if (c.asideLink == 1) fresh.AddLink("C:\\Medium\\Kest.Old", OtherUsersFile);
        if (c.asideLink == 2) fresh.AddHardLink("C:\\Medium\\Kest.Old", OtherUsersFile);
        CheckStartup("C:\\Medium\\Setup.exe", "");
        Strings programs;
        for (const std::string& name : fresh.List("C:\\Medium")) {
            if (name.compare(0, 4, "Kest") == 0) programs.push_back(name);
        }
        EXPECT_EQ(programs, c.files) << c.what;
        EXPECT_EQ(fresh.Content("C:\\Medium\\Kest.Exe"), c.program) << c.what;
        EXPECT_EQ(Started(fresh), Strings{InPlace}) << c.what;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << c.what;
        ExpectOtherUsersFileUntouched(fresh, c.what);
        EXPECT_EQ(DeletesOfNamesNotOwned(fresh), Strings{}) << c.what;
    }
}

TEST_F(StartupTest, FileAges) {
    machine.AddFile("C:\\Medium\\Kest.Exe", "x");
    machine.SetDosWriteTime("C:\\Medium\\Kest.Exe", 0x5021, 0x6000);
    machine.AddFolder("C:\\Medium\\Lang");
    EXPECT_EQ(FileAge("C:\\Medium\\KEST.EXE"), 0x50216000);
    EXPECT_EQ(FileAge("C:\\Medium\\Missing.Exe"), -1);
    EXPECT_EQ(FileAge("C:\\Nowhere\\Kest.Exe"), -1);
    EXPECT_EQ(FileAge("C:\\Medium\\Lang"), -1);
    EXPECT_EQ(FileAge(""), -1);
}

}  // namespace
