// The whole program on the simulated machine: mode choice, start-up, exit codes and
// the two error reports.
#include "Program.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <regex>

#include "SimTest.h"
#include "WinSysStartup.h"

namespace {

const char* const NothingToInstall =
    "Check Startup | Program install files missing (2) <> <. Download latest program from "
    "www.tessaly.example/download/ftp.tessaly.example/pub and reinstall.";

class ProgramTest : public SimTest {
protected:
    void Start(const std::string& modulePath, const std::string& commandLine) {
        machine.moduleFileName = modulePath;
        machine.commandLine = commandLine;
    }
};

TEST_F(ProgramTest, ChoosesTheModeFromTheLowerCasedOwnPath) {
    struct Case {
        const char* modulePath;
        const char* firstCaption;
    } cases[] = {
        {"C:\\Program Files\\Tessaly\\KESTDEL.EXE", "Uninstall"},
        {"C:\\Program Files\\Tessaly\\KestDel.Exe", "Uninstall"},
        {"C:\\Program Files\\Tessaly\\kestdelete.exe", "Uninstall"},
        {"C:\\KestDel Files\\Setup.exe", "Uninstall"},
        {"C:\\Program Files\\Tessaly\\Kest-Del.Exe", "Check Startup"},
        {"C:\\Medium\\Install.exe", "Check Startup"},
        {"C:\\Medium\\xkestdel.exe", "Check Startup"},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.moduleFileName = c.modulePath;
        fresh.AddFile(c.modulePath, "MZ");  // the running program
        fresh.commandLine = "prog";
        fresh.boxAnswers = {IDCANCEL};
        EXPECT_EQ(RunProgram(), 0) << c.modulePath;
        const std::string box =
            std::string(c.firstCaption) == "Uninstall" ? Confirmation : NothingToInstall;
        EXPECT_EQ(BoxesOf(fresh), Strings{box}) << c.modulePath;
        EXPECT_FALSE(State.LogLines) << "the system module shut down after " << c.modulePath;
    }
}

// The uninstaller asks the system not to follow junctions that ordinary users made,
// where the system knows the policy; elsewhere it goes on as before. The launcher
// leaves the policy alone.
TEST_F(ProgramTest, UninstallerSetsTheRedirectionGuardWhereThereIsOne) {
    const std::map<int, DWORD> guarded = {{16, 1}};
    struct Case {
        const char* what;
        const char* modulePath;
        DWORD major, minor, platform, build;
        std::map<int, DWORD> policies;
    } cases[] = {
        {"Windows 11", "C:\\Tessaly\\KestDel.Exe", 10, 0, VER_PLATFORM_WIN32_NT, 22621, guarded},
        {"Windows 10 22H2", "C:\\Tessaly\\KestDel.Exe", 10, 0, VER_PLATFORM_WIN32_NT, 19045,
         guarded},
        {"Windows 10 2004, refused",
         "C:\\Tessaly\\KestDel.Exe",
         10,
         0,
         VER_PLATFORM_WIN32_NT,
         19041,
         {}},
        {"Windows 7, no call", "C:\\Tessaly\\KestDel.Exe", 6, 1, VER_PLATFORM_WIN32_NT, 7601, {}},
        {"Windows 98, no call",
         "C:\\Tessaly\\KestDel.Exe",
         4,
         10,
         VER_PLATFORM_WIN32_WINDOWS,
         2222,
         {}},
        {"launcher", "C:\\Medium\\Setup.exe", 10, 0, VER_PLATFORM_WIN32_NT, 22621, {}},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.SetVersion(c.major, c.minor, c.platform, c.build);
        fresh.moduleFileName = c.modulePath;
        fresh.AddFile(c.modulePath, "MZ");
        fresh.commandLine = "prog";
        fresh.boxAnswers = {IDCANCEL};
        EXPECT_EQ(RunProgram(), 0) << c.what;
        EXPECT_EQ(fresh.mitigationPolicies, c.policies) << c.what;
        const bool uninstaller = std::string(c.modulePath).find("KestDel") != std::string::npos;
        EXPECT_EQ(BoxesOf(fresh), Strings{uninstaller ? Confirmation : NothingToInstall}) << c.what;
    }
}

TEST_F(ProgramTest, UninstallerGetsItsArgumentsByTheArgumentRules) {
    // An empty quoted pair is skipped: "Desk Top" is argument 1 and x argument 2.
    Start("C:\\Program Files\\Tessaly\\KestDel.Exe", "KestDel.Exe \"\" \"Desk Top\" x");
    machine.SetWindows98();  // whose desktop and start menu lie in the Windows folder
    machine.AddFile("C:\\Program Files\\Tessaly\\KestDel.Exe", "MZ uninstaller");
    machine.SetInUse("C:\\Program Files\\Tessaly\\KestDel.Exe");  // it is running
    machine.AddFile("C:\\Windows\\desktop\\x.Lnk", "link");
    machine.AddFile("C:\\Windows\\Start Menu\\Programs\\Desk Top\\Tessaly.Lnk", "link");

    EXPECT_EQ(RunProgram(), 0);

    EXPECT_FALSE(machine.Exists("C:\\Windows\\desktop\\x.Lnk"));
    EXPECT_FALSE(machine.Exists("C:\\Windows\\Start Menu\\Programs\\Desk Top"));
    EXPECT_TRUE(machine.Exists("C:\\Windows\\Start Menu\\Programs"));
    EXPECT_EQ(
        BoxesOf(machine),
        (Strings{Confirmation, "Uninstall | Reboot computer to complete program uninstall."}));
}

TEST_F(ProgramTest, StartUpDeletesTheMachineWideProductKeyTree) {
    Start("C:\\Medium\\Setup.exe", "Setup.exe");
    machine.SetString(HKEY_LOCAL_MACHINE, std::string(ProductKey) + "\\Modules\\Bible", "Path",
                      "C:\\x");
    machine.SetString(HKEY_LOCAL_MACHINE, ProductKey, "Version", "8");

    EXPECT_EQ(RunProgram(), 0);

    EXPECT_FALSE(machine.KeyExists(HKEY_LOCAL_MACHINE, ProductKey));
    EXPECT_TRUE(
        machine.KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion"));
    EXPECT_EQ(machine.registry.openHandles, 0);
}

TEST_F(ProgramTest, StartUpWithoutRightsLeavesTheProductKeySilently) {
    Start("C:\\Medium\\Setup.exe", "Setup.exe");
    machine.SetAdministrator(false);
    machine.SetString(HKEY_LOCAL_MACHINE, ProductKey, "Version", "8");
    machine.ProtectKey(HKEY_LOCAL_MACHINE, "Software");

    EXPECT_EQ(RunProgram(), 0);

    EXPECT_TRUE(machine.KeyExists(HKEY_LOCAL_MACHINE, ProductKey));
    EXPECT_EQ(BoxesOf(machine), Strings{NothingToInstall});
}

TEST_F(ProgramTest, AdministratorTestFailureEndsStartUpWithRuntimeError217) {
    struct Case {
        const char* name;
        void (*inject)(winsim::Machine&);
    } cases[] = {
        {"identity",
         [](winsim::Machine& m) {
             m.faults.allocateSid = {true, ERROR_NOT_ENOUGH_MEMORY};
         }},
        {"size query", [](winsim::Machine& m) { m.faults.tokenSizeQuerySucceeds = true; }},
        {"size query error",
         [](winsim::Machine& m) {
             m.faults.tokenSizeQuery = {true, ERROR_ACCESS_DENIED};
         }},
        {"group query",
         [](winsim::Machine& m) {
             m.faults.tokenGroupQuery = {true, ERROR_ACCESS_DENIED};
         }},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.moduleFileName = "C:\\Program Files\\Tessaly\\KestDel.Exe";
        fresh.SetString(HKEY_LOCAL_MACHINE, ProductKey, "Version", "8");
        c.inject(fresh);

        EXPECT_EQ(RunProgram(), 217) << c.name;

        const Strings boxes = BoxesOf(fresh);
        ASSERT_EQ(boxes.size(), 1u) << c.name;
        // The address is the start-up routine's, in eight hex digits.
        char address[9];
        std::snprintf(address, sizeof address, "%08lX",
                      static_cast<unsigned long>(
                          reinterpret_cast<std::uintptr_t>(&InitializeWinSys) & 0xFFFFFFFFu));
        EXPECT_EQ(boxes[0], std::string("Error | Runtime error 217 at ") + address);
        EXPECT_EQ(fresh.boxes[0].style, static_cast<UINT>(MB_OK));
        // No mode ran, and start-up stopped before the key deletion.
        EXPECT_TRUE(fresh.KeyExists(HKEY_LOCAL_MACHINE, ProductKey)) << c.name;
        EXPECT_EQ(fresh.token.openHandles, 0) << c.name;
        EXPECT_EQ(fresh.token.allocatedSids, 0) << c.name;
        EXPECT_FALSE(State.LogLines) << c.name;
    }
}

// What the platform's own handling receives: our code, not to be continued, with the
// error's type name and text.
void ExpectRaisedToThePlatform() {
    try {
        RunProgram();
        ADD_FAILURE() << "nothing was raised";
    } catch (const winsim::StructuredException& raised) {
        EXPECT_EQ(raised.code, 0xE04B4553u);
        EXPECT_EQ(raised.flags, static_cast<DWORD>(EXCEPTION_NONCONTINUABLE));
        EXPECT_EQ(raised.arguments.size(), 2u);
    }
}

TEST_F(ProgramTest, StartUpFailureUnderADebuggerIsLeftToThePlatform) {
    Start("C:\\Medium\\Setup.exe", "Setup.exe");
    machine.faults.allocateSid = {true, ERROR_NOT_ENOUGH_MEMORY};
    machine.unhandledFilterContinues = true;

    ExpectRaisedToThePlatform();
    EXPECT_EQ(BoxesOf(machine), Strings{});
}

// Outside the NT family, and where the version cannot be told at all, the user counts
// as an administrator without any question to the token (a token question would end
// the start-up here).
TEST_F(ProgramTest, OutsideTheNtFamilyNoTokenIsAsked) {
    for (bool versionFails : {false, true}) {
        CleanMachine fresh;
        fresh.moduleFileName = "C:\\Medium\\Setup.exe";
        fresh.commandLine = "Setup.exe";
        if (versionFails) {
            fresh.faults.getVersionEx = {true, ERROR_INVALID_PARAMETER};
        } else {
            fresh.SetWindows98();
        }
        fresh.faults.allocateSid = {true, ERROR_CALL_NOT_IMPLEMENTED};
        fresh.faults.openProcessToken = {true, ERROR_CALL_NOT_IMPLEMENTED};

        EXPECT_EQ(RunProgram(), 0) << versionFails;
        EXPECT_TRUE(State.IsAdmin) << versionFails;
        EXPECT_FALSE(State.IsNT) << versionFails;
        ASSERT_FALSE(fresh.boxes.empty());
        EXPECT_EQ(fresh.boxes[0].caption,
                  versionFails ? "Windows Error: GetVersionEx" : "Check Startup");
        EXPECT_EQ(fresh.boxes.back().caption, "Check Startup");
    }
}

// Before anything else, libraries the system loads later by a bare name are limited to
// the system folder where Windows can, else the current folder is taken out of the
// search where it can; older Windows is left as it is.
TEST_F(ProgramTest, LimitsTheLibrarySearchWhereWindowsCan) {
    const Strings systemOnly = {"dllsearch: SetDefaultDllDirectories 0x800"};
    const Strings noCurrentFolder = {"dllsearch: SetDllDirectoryA \"\""};
    struct Case {
        const char* what;
        DWORD major, minor, platform;
        int servicePack;
        bool update;
        Strings calls;
    } cases[] = {
        {"10", 10, 0, VER_PLATFORM_WIN32_NT, 0, false, systemOnly},
        {"8", 6, 2, VER_PLATFORM_WIN32_NT, 0, false, systemOnly},
        {"7 with the update", 6, 1, VER_PLATFORM_WIN32_NT, 1, true, systemOnly},
        {"7", 6, 1, VER_PLATFORM_WIN32_NT, 1, false, noCurrentFolder},
        {"XP SP1", 5, 1, VER_PLATFORM_WIN32_NT, 1, false, noCurrentFolder},
        {"XP", 5, 1, VER_PLATFORM_WIN32_NT, 0, false, {}},
        {"2000", 5, 0, VER_PLATFORM_WIN32_NT, 4, false, {}},
        {"NT 4.0", 4, 0, VER_PLATFORM_WIN32_NT, 6, false, {}},
        {"98", 4, 10, VER_PLATFORM_WIN32_WINDOWS, 0, false, {}},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        fresh.SetVersion(c.major, c.minor, c.platform);
        fresh.servicePack = c.servicePack;
        fresh.dllDirectoryUpdate = c.update;
        fresh.moduleFileName = "C:\\Medium\\Setup.exe";
        EXPECT_EQ(RunProgram(), 0) << c.what;
        EXPECT_EQ(fresh.Lines("dllsearch: "), c.calls) << c.what;
        EXPECT_EQ(fresh.transcript.at(0).compare(0, 11, "dllsearch: ") == 0, !c.calls.empty())
            << c.what << ": first of all";
    }
}

// On the NT family the ANSI own path may hold look-alikes the system put in for
// characters the code page lacks: a folder named "a", U+FF3C, "..", U+FF3C, ".." reads
// as a way up to another folder.
// Neither mode acts on such a path; the same folder name in plain characters runs.
TEST_F(ProgramTest, OwnPathWithLookAlikeCharactersIsRefused) {
    const std::string refused =
        "This program cannot run from its folder: the folder's name holds characters that "
        "Windows would hand to the program changed. Copy the program into a folder with a "
        "plain name and start it there.";
    struct Case {
        std::wstring path;
        bool nt4;
        Strings boxes;
        const char* ansiPath = nullptr;  // what GetModuleFileNameA says, when not the same
    } cases[] = {
        {L"C:\\Dl\\a\uFF3C..\uFF3C..\uFF3CEvil\\Setup.exe", false, {"Check Startup | " + refused}},
        {L"C:\\Dl\\a\uFF3C..\uFF3C..\uFF3CEvil\\Setup.exe", true, {"Check Startup | " + refused}},
        {L"C:\\Dl\\\u0416\\KestDel.Exe", false, {"Uninstall | " + refused}},
        {L"C:\\Dl\\\u00C9t\u00E9\\Setup.exe", false, {NothingToInstall}},
        {L"C:\\Dl\\\u00C9t\u00E9\\Setup.exe", true, {NothingToInstall}},
        {L"C:\\Dl\\Setup.exe", false, {"Check Startup | " + refused}, "C:\\Evil\\Setup.exe"},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        if (c.nt4) fresh.SetWindowsNT4();
        fresh.SetModuleUnicodeName(c.path);
        if (c.ansiPath) fresh.moduleFileName = c.ansiPath;
        fresh.AddFolder("C:\\Evil");
        AddMedium(fresh, "C:\\Evil\\");
        EXPECT_EQ(RunProgram(), 0) << fresh.moduleFileName;
        EXPECT_EQ(BoxesOf(fresh), c.boxes) << fresh.moduleFileName;
        EXPECT_EQ(Started(fresh), Strings{}) << fresh.moduleFileName;
    }
}

// Under "autorun" the launcher asks for the installed program's folder outside any
// guarded block; a per-user "UninstallString" of the wrong type ends the run there.
class UnhandledErrorTest : public ProgramTest {
protected:
    UnhandledErrorTest() {
        Start("C:\\Medium\\Setup.exe", "Setup.exe autorun");
        AddMedium(machine, "C:\\Medium\\");
        machine.SetDword(HKEY_CURRENT_USER, UninstallKey, "UninstallString", 7);
    }
};

TEST_F(UnhandledErrorTest, EndsTheRunWithTheApplicationErrorBoxAndExitCode1) {
    EXPECT_EQ(RunProgram(), 1);

    const Strings boxes = BoxesOf(machine);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Setup Error | Error accessing KEST Windows' Registry");
    EXPECT_TRUE(std::regex_match(
        boxes[1],
        std::regex("Application Error \\| Exception RegistryError in module Setup\\.exe at "
                   "[0-9A-F]{8}\\.\r\nInvalid data type for 'UninstallString'\\.\r\n")))
        << boxes[1];
    EXPECT_EQ(machine.boxes[1].style, static_cast<UINT>(MB_ICONERROR | MB_TASKMODAL));
    EXPECT_TRUE(machine.programs.started.empty());
}

TEST_F(UnhandledErrorTest, UnderADebuggerThePlatformTakesOver) {
    machine.unhandledFilterContinues = true;

    ExpectRaisedToThePlatform();
    EXPECT_EQ(BoxesOf(machine), Strings{"Setup Error | Error accessing KEST Windows' Registry"});
}

// A message that ends in a full stop gets no second one.
TEST_F(ProgramTest, ApplicationErrorKeepsTheMessagesOwnFullStop) {
    // The medium lies at the root of drive D, whose own current folder has gone.
    Start("D:\\Setup.exe", "Setup.exe");
    AddMedium(machine, "D:\\");
    machine.driveFolders['D'] = "D:\\Gone";
    machine.messageTexts[ERROR_FILE_NOT_FOUND] = "File not found.\r\n";

    EXPECT_EQ(RunProgram(), 1);

    ASSERT_EQ(BoxesOf(machine).size(), 1u);
    EXPECT_TRUE(std::regex_match(
        BoxesOf(machine)[0],
        std::regex("Application Error \\| Exception InOutError in module Setup\\.exe at "
                   "[0-9A-F]{8}\\.\r\nCannot change the current folder to \"D:\"\\. File not "
                   "found\\.\r\n")))
        << BoxesOf(machine)[0];
    EXPECT_EQ(machine.programs.started.size(), 0u);
}

// The installed program's folder cannot be made the current folder while data modules
// are handed over: the run ends through the top-level report, the list written stays,
// and nothing is started.
TEST_F(ProgramTest, ModuleHandOverThatCannotEnterTheProgramFolderEndsWithExitCode1) {
    Start("C:\\Medium\\Setup.exe", "Setup.exe");
    machine.AddFile("C:\\Medium\\Extra.801", "module");
    machine.AddFile("C:\\Program Files\\Tessaly\\Kest.Exe", "MZ installed program");
    machine.AddFolder("C:\\Tessaly Data");
    machine.SetString(HKEY_CURRENT_USER, UninstallKey, "DisplayName", "Tessaly 9");
    machine.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString",
                      "C:\\Program Files\\Tessaly\\KestDel.Exe a b \"C:\\Tessaly Data\\\" d");
    machine.faults.plan.calls = {"SetCurrentDirectoryA"};

    EXPECT_EQ(RunProgram(), 1);

    const Strings boxes = BoxesOf(machine);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        boxes[0], std::regex("Application Error \\| Exception InOutError in module Setup\\.exe "
                             "at [0-9A-F]{8}\\.\r\nCannot change the current folder to "
                             "\"C:\\\\Program Files\\\\Tessaly\\\\\"\\. [^\r\n]+\r\n")))
        << boxes[0];
    EXPECT_EQ(machine.Content("C:\\Tessaly Data\\AutoLoad.Lst"),
              "C:\\Medium\\Extra.801\r\nSetup 2.0\r\n");
    EXPECT_TRUE(machine.programs.started.empty());
}

// The uninstaller's own outcome never sets the exit code.
TEST_F(ProgramTest, UninstallThatReportsAFailureEndsWithExitCode0) {
    Start("C:\\Program Files\\Tessaly\\KestDel.Exe", "KestDel.Exe Tessaly Tessaly C:\\Data");
    machine.SetWindows98();  // whose start menu lies in the Windows folder
    machine.AddFile("C:\\Program Files\\Tessaly\\KestDel.Exe", "MZ uninstaller");
    machine.AddFile("C:\\Data\\Notes.txt", "kept");
    machine.SetInUse("C:\\Data\\Notes.txt");

    EXPECT_EQ(RunProgram(), 0);

    EXPECT_EQ(BoxesOf(machine),
              (Strings{Confirmation, "File Delete | File not deleted: C:\\Data\\Notes.txt",
                       "Directory Delete | Directory not deleted: C:\\Data\\",
                       "Uninstall | Program Partially Deleted. Reboot computer and try to remove "
                       "program again."}));
    EXPECT_TRUE(machine.Exists("C:\\Data\\Notes.txt"));
}

}  // namespace
