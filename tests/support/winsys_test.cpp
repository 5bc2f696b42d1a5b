// Version and administrator tests, start-up, checked calls, message boxes and log.
#include "WinSys.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "SimTest.h"
#include "Tools.h"
#include "WinSysRegistry.h"
#include "WinSysStartup.h"

namespace {

class WinSysTest : public SimTest {};

TEST_F(WinSysTest, VersionTellsTheNtFamilyAndXp) {
    struct Case {
        const char* name;
        std::function<void(winsim::Machine&)> setUp;
        bool isNT;
        bool isWinXP;
    };
    const std::vector<Case> cases = {
        {"98", [](winsim::Machine& m) { m.SetWindows98(); }, false, false},
        {"ME", [](winsim::Machine& m) { m.SetVersion(4, 90, VER_PLATFORM_WIN32_WINDOWS); }, false,
         false},
        {"NT 4.0", [](winsim::Machine& m) { m.SetWindowsNT4(); }, true, false},
        {"2000", [](winsim::Machine& m) { m.SetWindows2000(); }, true, false},
        {"XP", [](winsim::Machine& m) { m.SetWindowsXP(); }, true, true},
        {"5.2", [](winsim::Machine& m) { m.SetVersion(5, 2, VER_PLATFORM_WIN32_NT); }, true, true},
        {"7", [](winsim::Machine& m) { m.SetWindows7(); }, true, false},
        {"10", [](winsim::Machine&) {}, true, false},
    };
    for (const Case& c : cases) {
        machine.SetVersion(10, 0, VER_PLATFORM_WIN32_NT, 19041);
        c.setUp(machine);
        State.IsWinXP = !c.isWinXP;
        EXPECT_EQ(DetectWindowsVersion(), c.isNT) << c.name;
        EXPECT_EQ(State.IsWinXP, c.isWinXP) << c.name;
        EXPECT_EQ(DetectWindowsVersion(), c.isNT) << c.name << ", asked again";
        EXPECT_EQ(State.IsWinXP, c.isWinXP) << c.name << ", asked again";
        EXPECT_EQ(BoxesOf(machine), Strings{}) << c.name;
    }
}

TEST_F(WinSysTest, FailedVersionQueryIsReportedAndAnswersNo) {
    machine.SetWindowsXP();
    machine.faults.getVersionEx = {true, ERROR_ACCESS_DENIED};
    machine.messageTexts[ERROR_ACCESS_DENIED] = "Access is denied.\r\n";
    State.IsWinXP = true;
    EXPECT_FALSE(DetectWindowsVersion());
    EXPECT_FALSE(State.IsWinXP);
    EXPECT_EQ(BoxesOf(machine), Strings{"Windows Error: GetVersionEx | Access is denied. "});
}

TEST_F(WinSysTest, AdministratorIsAnAdministratorsEntryOfTheCallersTokenNotForDenyOnly) {
    struct Case {
        const char* name;
        std::function<void(winsim::Machine&)> setUp;
        bool isAdmin;
    };
    const std::vector<Case> cases = {
        {"administrator", [](winsim::Machine& m) { m.SetAdministrator(true); }, true},
        {"plain user", [](winsim::Machine& m) { m.SetAdministrator(false); }, false},
        {"elevated administrator",
         [](winsim::Machine& m) {
             m.SetAdministrator(
                 true, SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED);
         },
         true},
        {"administrator not elevated (filtered token: the group for deny checks only)",
         [](winsim::Machine& m) { m.SetAdministrator(true, SE_GROUP_USE_FOR_DENY_ONLY); }, false},
        {"disabled group", [](winsim::Machine& m) { m.SetAdministrator(true, 0); }, true},
        {"impersonating a plain user",
         [](winsim::Machine& m) {
             m.SetAdministrator(true);
             m.token.hasThreadToken = true;
             m.token.threadGroups = {{{0, 0, 0, 0, 0, 5}, {32, 545}, SE_GROUP_ENABLED}};
         },
         false},
        {"impersonating an administrator",
         [](winsim::Machine& m) {
             m.SetAdministrator(false);
             m.token.hasThreadToken = true;
             m.token.threadGroups = {{{0, 0, 0, 0, 0, 5}, {32, 544}, SE_GROUP_ENABLED}};
         },
         true},
        {"thread token refused",
         [](winsim::Machine& m) {
             m.SetAdministrator(true);
             m.faults.openThreadToken = {true, ERROR_ACCESS_DENIED};
         },
         false},
        {"process token refused",
         [](winsim::Machine& m) {
             m.SetAdministrator(true);
             m.faults.openProcessToken = {true, ERROR_ACCESS_DENIED};
         },
         false},
        {"no groups", [](winsim::Machine& m) { m.token.processGroups.clear(); }, false},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        c.setUp(fresh);
        EXPECT_EQ(IsAdministrator(), c.isAdmin) << c.name;
        EXPECT_EQ(fresh.token.openHandles, 0) << c.name;
        EXPECT_EQ(fresh.token.allocatedSids, 0) << c.name;
        EXPECT_EQ(BoxesOf(fresh), Strings{}) << c.name;
    }
}

TEST_F(WinSysTest, AdministratorTestFailuresRaiseAfterCleaningUp) {
    struct Case {
        std::function<void(winsim::Machine&)> setUp;
        std::string message;
    };
    const std::vector<Case> cases = {
        {[](winsim::Machine& m) {
             m.faults.allocateSid = {true, ERROR_NOT_ENOUGH_MEMORY};
         },
         "Winsys: Administrator-1"},
        {[](winsim::Machine& m) {
             m.faults.tokenSizeQuery = {true, ERROR_ACCESS_DENIED};
         },
         "Winsys: Administrator-2"},
        {[](winsim::Machine& m) { m.faults.tokenSizeQuerySucceeds = true; },
         "Winsys: Administrator-2"},
        {[](winsim::Machine& m) {
             m.faults.tokenGroupQuery = {true, ERROR_ACCESS_DENIED};
         },
         "Winsys: Administrator-3"},
    };
    for (const Case& c : cases) {
        CleanMachine fresh;
        c.setUp(fresh);
        std::string raised;
        try {
            IsAdministrator();
        } catch (const SystemError& error) {
            raised = error.what();
        }
        EXPECT_EQ(raised, c.message);
        EXPECT_EQ(fresh.token.openHandles, 0) << c.message;
        EXPECT_EQ(fresh.token.allocatedSids, 0) << c.message;
    }
}

TEST_F(WinSysTest, StartUpSetsTheFlagsAndDeletesTheProductKey) {
    machine.AddKey(HKEY_LOCAL_MACHINE, std::string(ProductKey) + "\\Modules\\Atlas");
    machine.SetString(HKEY_LOCAL_MACHINE, ProductKey, "Version", "2.0");
    machine.SetAdministrator(false);

    InitializeWinSys();
    EXPECT_TRUE(State.IsNT);
    EXPECT_FALSE(State.IsAdmin);
    ASSERT_TRUE(State.LogLines != nullptr);
    EXPECT_TRUE(State.LogLines->empty());
    EXPECT_FALSE(machine.KeyExists(HKEY_LOCAL_MACHINE, ProductKey));
    EXPECT_TRUE(
        machine.KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion"));
    EXPECT_EQ(machine.registry.openHandles, 0);

    FinalizeWinSys();
    EXPECT_TRUE(State.LogLines == nullptr);
}

TEST_F(WinSysTest, StartUpOutsideTheNtFamilyAsksNoToken) {
    machine.SetWindows98();
    machine.SetAdministrator(false);
    machine.faults.openProcessToken = {true, ERROR_CALL_NOT_IMPLEMENTED};
    InitializeWinSys();
    EXPECT_FALSE(State.IsNT);
    EXPECT_TRUE(State.IsAdmin);
    EXPECT_EQ(BoxesOf(machine), Strings{});
}

TEST_F(WinSysTest, StartUpWithoutRightsLeavesTheProductKeySilently) {
    machine.AddKey(HKEY_LOCAL_MACHINE, ProductKey);
    machine.ProtectKey(HKEY_LOCAL_MACHINE, ProductKey);
    InitializeWinSys();
    EXPECT_TRUE(machine.KeyExists(HKEY_LOCAL_MACHINE, ProductKey));
    EXPECT_EQ(BoxesOf(machine), Strings{});
}

TEST_F(WinSysTest, ReportLastErrorShowsTheSystemTextOnlyForAKnownCode) {
    machine.messageTexts[ERROR_FILE_NOT_FOUND] = "File not found.\r\n";

    SetLastError(0);
    ReportLastError("CreateProcess");
    EXPECT_EQ(BoxesOf(machine), Strings{});

    SetLastError(0x2BAD);  // no text for this code
    machine.messageTexts.erase(0x2BAD);
    ReportLastError("CreateProcess");
    EXPECT_EQ(BoxesOf(machine), Strings{});

    SetLastError(ERROR_FILE_NOT_FOUND);
    ReportLastError("CreateProcess");
    EXPECT_EQ(BoxesOf(machine), Strings{"Windows Error: CreateProcess | File not found. "});
    EXPECT_EQ(machine.boxes[0].style, static_cast<UINT>(MB_OK));
}

TEST_F(WinSysTest, MessageWithInsertMarksIsShownAsItStands) {
    machine.messageTexts[ERROR_BAD_EXE_FORMAT] = "%1 is not a valid Win32 application.\r\n";
    machine.AddFile("C:\\Apps\\Broken.exe", "not a program");
    const UINT result = CheckedWinExec("C:\\Apps\\Broken.exe", SW_SHOWNORMAL);
    EXPECT_LE(result, 31u);
    EXPECT_EQ(BoxesOf(machine),
              Strings{"Windows Error: WinExec | %1 is not a valid Win32 application. "});
}

TEST_F(WinSysTest, WinExecResultsUpTo31AreReported) {
    const std::string Reported = "Not enough memory. ";
    const std::vector<std::pair<UINT, std::size_t>> cases = {{31, 1}, {32, 0}, {0, 1}, {33, 0}};
    for (const auto& c : cases) {
        CleanMachine fresh;
        fresh.messageTexts[ERROR_INVALID_PARAMETER] = "Not enough memory.\r\n";
        fresh.messageTexts[ERROR_NOT_ENOUGH_MEMORY] = "Not enough memory.\r\n";
        fresh.AddFile("C:\\Apps\\Kest.Exe", "MZ program");
        fresh.faults.winExecResults["C:\\Apps\\Kest.Exe"] = c.first;
        EXPECT_EQ(CheckedWinExec("C:\\Apps\\Kest.Exe", SW_SHOWNORMAL), c.first);
        const Strings expected =
            c.second ? Strings{"Windows Error: WinExec | " + Reported} : Strings{};
        EXPECT_EQ(BoxesOf(fresh), expected) << "result " << c.first;
    }
}

TEST_F(WinSysTest, WinExecuteWaitRunsTheProgramToItsEnd) {
    machine.AddFile("C:\\Program Files\\Tessaly\\kest.exe", "MZ program");
    machine.currentFolder = "C:\\Program Files\\Tessaly";
    EXPECT_TRUE(WinExecuteWait("kest.exe /unregserver"));
    ASSERT_EQ(machine.programs.started.size(), 1u);
    EXPECT_EQ(machine.programs.started[0].via, "CreateProcess");
    EXPECT_EQ(machine.programs.started[0].commandLine, "kest.exe /unregserver");
    EXPECT_EQ(machine.programs.started[0].currentFolder, "C:\\Program Files\\Tessaly");
    EXPECT_EQ(machine.programs.openHandles, 0);
    EXPECT_EQ(BoxesOf(machine), Strings{});
}

TEST_F(WinSysTest, WinExecuteWaitOfAMissingProgramReportsAndAnswersFalse) {
    machine.messageTexts[ERROR_FILE_NOT_FOUND] = "File not found.\r\n";
    EXPECT_FALSE(WinExecuteWait("C:\\Windows\\kest.exe /unregserver"));
    EXPECT_EQ(BoxesOf(machine), Strings{"Windows Error: CreateProcess | File not found. "});
    EXPECT_TRUE(machine.programs.started.empty());
    EXPECT_EQ(machine.programs.openHandles, 0);
}

TEST_F(WinSysTest, SystemFoldersEndInOneBackslash) {
    struct Case {
        std::string windowsFolder;
        std::string tempPath;
        std::string expectedWindows;
        std::string expectedTemp;
    };
    const std::string tooLong = "C:\\" + std::string(300, 't');
    const std::vector<Case> cases = {
        {"C:\\Windows", "C:\\Windows\\Temp\\", "C:\\Windows\\", "C:\\Windows\\Temp\\"},
        {"D:\\WINNT", "D:\\Temp", "D:\\WINNT\\", "D:\\Temp\\"},
        {tooLong, tooLong + "\\", "", ""},
    };
    for (const Case& c : cases) {
        machine.windowsFolder = c.windowsFolder;
        machine.tempPath = c.tempPath;
        EXPECT_EQ(GetWindowsFolder(), c.expectedWindows);
        EXPECT_EQ(GetTempFolder(), c.expectedTemp);
    }
}

}  // namespace

namespace {

// A box that cannot be shown is reported in a box of its own (which fails too, and is
// not reported again); a failure without a code reports nothing.
TEST_F(WinSysTest, CheckedMessageBoxReportsABoxThatCannotBeShown) {
    for (DWORD error : {DWORD{ERROR_NOT_ENOUGH_MEMORY}, DWORD{0}}) {
        CleanMachine fresh;
        fresh.messageTexts[ERROR_NOT_ENOUGH_MEMORY] = "Not enough memory.\r\n";
        fresh.faults.messageBox = {true, error};
        SetLastError(ERROR_ACCESS_DENIED);  // left over from an earlier call
        EXPECT_EQ(CheckedMessageBox(nullptr, "Text", "Caption", MB_OK), 0);
        const Strings expected =
            error ? Strings{"Caption | Text", "Windows Error: MessageBox | Not enough memory. "}
                  : Strings{"Caption | Text"};
        EXPECT_EQ(BoxesOf(fresh), expected) << error;
    }
}

// Every checked call starts from a cleared last-error code: a code left over from an
// earlier call is no failure of this one, and a call that succeeds leaves none.
TEST_F(WinSysTest, CheckedCallsStartFromAClearedLastError) {
    machine.AddFile("C:\\Apps\\Kest.Exe", "MZ program");
    PROCESS_INFORMATION started = {};
    STARTUPINFOA startup = {};
    std::string line = "C:\\Apps\\Kest.Exe";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &started));
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"CreateProcess",
         [&] {
             PROCESS_INFORMATION info = {};
             EXPECT_TRUE(CheckedCreateProcess(nullptr, &line[0], nullptr, nullptr, FALSE, 0,
                                              nullptr, nullptr, &startup, &info));
             CloseHandle(info.hThread);
             CloseHandle(info.hProcess);
         }},
        {"MessageBox",
         [] { EXPECT_EQ(CheckedMessageBox(nullptr, "Text", "Caption", MB_OK), IDOK); }},
        {"WaitForSingleObject",
         [&] { EXPECT_EQ(CheckedWaitForSingleObject(started.hProcess, INFINITE), WAIT_OBJECT_0); }},
        {"WinExec", [] { EXPECT_EQ(CheckedWinExec("C:\\Apps\\Kest.Exe", SW_SHOWNORMAL), 33u); }},
    };
    for (const auto& call : calls) {
        SetLastError(ERROR_ACCESS_DENIED);
        call.second();
        EXPECT_EQ(GetLastError(), 0u) << call.first;
    }
    // A failure without a code of its own reports nothing.
    machine.boxes.clear();
    machine.faults.messageBox = {true, 0};
    SetLastError(ERROR_ACCESS_DENIED);
    CheckedMessageBox(nullptr, "Text", "Caption", MB_OK);
    EXPECT_EQ(BoxesOf(machine), Strings{"Caption | Text"});
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
}

// SetErrorMode has no failure result: the last-error code it leaves decides, whichever
// way it switches, and a code left over from an earlier call is none of its own.
TEST_F(WinSysTest, CheckedSetErrorModeReportsTheCodeTheCallLeaves) {
    machine.messageTexts[ERROR_INVALID_PARAMETER] = "Invalid parameter.\r\n";
    machine.errorMode = SEM_NOOPENFILEERRORBOX;
    SetLastError(ERROR_ACCESS_DENIED);
    CheckedSetErrorMode(true);
    CheckedSetErrorMode(false);
    EXPECT_EQ(BoxesOf(machine), Strings{});
    machine.faults.setErrorMode = {true, ERROR_INVALID_PARAMETER};
    CheckedSetErrorMode(true);
    CheckedSetErrorMode(false);
    EXPECT_EQ(BoxesOf(machine), Strings(2, "Windows Error: SetErrorMode | Invalid parameter. "));
    EXPECT_EQ(machine.errorModeHistory,
              (std::vector<UINT>{SEM_FAILCRITICALERRORS, SEM_NOOPENFILEERRORBOX,
                                 SEM_FAILCRITICALERRORS, SEM_NOOPENFILEERRORBOX}));
}

// Only a failed wait is reported: one that runs out of time is an answer like any other.
TEST_F(WinSysTest, WaitThatRunsOutOfTimeIsNoFailure) {
    machine.AddFile("C:\\Apps\\Kest.Exe", "MZ program");
    machine.messageTexts[ERROR_INVALID_HANDLE] = "Invalid handle.\r\n";
    machine.programs.keepRunning = true;
    PROCESS_INFORMATION started = {};
    STARTUPINFOA startup = {};
    std::string line = "C:\\Apps\\Kest.Exe";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &started));
    EXPECT_EQ(CheckedWaitForSingleObject(started.hProcess, 10), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(CheckedWaitForSingleObject(started.hProcess, INFINITE),
              static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(BoxesOf(machine), Strings{});
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    EXPECT_EQ(CheckedWaitForSingleObject(started.hProcess, 10), static_cast<DWORD>(WAIT_FAILED));
    EXPECT_EQ(BoxesOf(machine), Strings{"Windows Error: WaitForSingleObject | Invalid handle. "});
}

// The log is off for the whole run: nothing is logged, also for a value that is missing.
TEST_F(WinSysTest, NoLineIsLoggedWhileTheLogIsOff) {
    State.LogLines.reset(new StringList());
    EXPECT_EQ(ReadRegistryString("Missing", "\\Software\\Nowhere", HKEY_CURRENT_USER), "");
    ShowWindowsError("WinExec", "text");
    EXPECT_EQ(*State.LogLines, StringList{});
    EXPECT_EQ(machine.Lines("write:"), Strings{});
}

}  // namespace
