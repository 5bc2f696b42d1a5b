// Version and administrator tests, start-up, checked calls, message boxes and log.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "SimTest.h"
#include "WinSys.h"

namespace {

const char* const ProductKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Tessaly";

class WinSysTest : public SimTest {
protected:
    // Back to an administrator's token with no injected failure.
    void ResetToken() {
        machine.processGroups.clear();
        machine.SetAdministrator(true);
        machine.hasThreadToken = false;
        machine.threadGroups.clear();
        machine.openThreadToken = {};
        machine.openProcessToken = {};
        machine.allocateSid = {};
        machine.tokenSizeQuery = {};
        machine.tokenSizeQuerySucceeds = false;
        machine.tokenGroupQuery = {};
    }
};

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
        EXPECT_TRUE(machine.boxes.empty()) << c.name;
    }
}

TEST_F(WinSysTest, FailedVersionQueryIsReportedAndAnswersNo) {
    machine.SetWindowsXP();
    machine.getVersionEx = {true, ERROR_ACCESS_DENIED};
    machine.messageTexts[ERROR_ACCESS_DENIED] = "Access is denied.\r\n";
    State.IsWinXP = true;
    EXPECT_FALSE(DetectWindowsVersion());
    EXPECT_FALSE(State.IsWinXP);
    ASSERT_EQ(machine.boxes.size(), 1u);
    EXPECT_EQ(machine.boxes[0].caption, "Windows Error: GetVersionEx");
    EXPECT_NE(machine.boxes[0].text.find("Access is denied."), std::string::npos);
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
             m.hasThreadToken = true;
             m.threadGroups = {{{0, 0, 0, 0, 0, 5}, {32, 545}, SE_GROUP_ENABLED}};
         },
         false},
        {"impersonating an administrator",
         [](winsim::Machine& m) {
             m.SetAdministrator(false);
             m.hasThreadToken = true;
             m.threadGroups = {{{0, 0, 0, 0, 0, 5}, {32, 544}, SE_GROUP_ENABLED}};
         },
         true},
        {"thread token refused",
         [](winsim::Machine& m) {
             m.SetAdministrator(true);
             m.openThreadToken = {true, ERROR_ACCESS_DENIED};
         },
         false},
        {"process token refused",
         [](winsim::Machine& m) {
             m.SetAdministrator(true);
             m.openProcessToken = {true, ERROR_ACCESS_DENIED};
         },
         false},
        {"no groups", [](winsim::Machine& m) { m.processGroups.clear(); }, false},
    };
    for (const Case& c : cases) {
        ResetToken();
        c.setUp(machine);
        EXPECT_EQ(IsAdministrator(), c.isAdmin) << c.name;
        EXPECT_EQ(machine.openTokenHandles, 0) << c.name;
        EXPECT_EQ(machine.allocatedSids, 0) << c.name;
        EXPECT_TRUE(machine.boxes.empty()) << c.name;
    }
}

TEST_F(WinSysTest, AdministratorTestFailuresRaiseAfterCleaningUp) {
    struct Case {
        std::function<void(winsim::Machine&)> setUp;
        std::string message;
    };
    const std::vector<Case> cases = {
        {[](winsim::Machine& m) {
             m.allocateSid = {true, ERROR_NOT_ENOUGH_MEMORY};
         },
         "Winsys: Administrator-1"},
        {[](winsim::Machine& m) {
             m.tokenSizeQuery = {true, ERROR_ACCESS_DENIED};
         },
         "Winsys: Administrator-2"},
        {[](winsim::Machine& m) { m.tokenSizeQuerySucceeds = true; }, "Winsys: Administrator-2"},
        {[](winsim::Machine& m) {
             m.tokenGroupQuery = {true, ERROR_ACCESS_DENIED};
         },
         "Winsys: Administrator-3"},
    };
    for (const Case& c : cases) {
        ResetToken();
        c.setUp(machine);
        std::string raised;
        try {
            IsAdministrator();
        } catch (const SystemError& error) {
            raised = error.what();
        }
        EXPECT_EQ(raised, c.message);
        EXPECT_EQ(machine.openTokenHandles, 0) << c.message;
        EXPECT_EQ(machine.allocatedSids, 0) << c.message;
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
    EXPECT_EQ(machine.openKeyHandles, 0);

    FinalizeWinSys();
    EXPECT_TRUE(State.LogLines == nullptr);
}

TEST_F(WinSysTest, StartUpOutsideTheNtFamilyAsksNoToken) {
    machine.SetWindows98();
    machine.SetAdministrator(false);
    machine.openProcessToken = {true, ERROR_CALL_NOT_IMPLEMENTED};
    InitializeWinSys();
    EXPECT_FALSE(State.IsNT);
    EXPECT_TRUE(State.IsAdmin);
    EXPECT_TRUE(machine.boxes.empty());
}

TEST_F(WinSysTest, StartUpWithoutRightsLeavesTheProductKeySilently) {
    machine.AddKey(HKEY_LOCAL_MACHINE, ProductKey);
    machine.ProtectKey(HKEY_LOCAL_MACHINE, ProductKey);
    InitializeWinSys();
    EXPECT_TRUE(machine.KeyExists(HKEY_LOCAL_MACHINE, ProductKey));
    EXPECT_TRUE(machine.boxes.empty());
}

TEST_F(WinSysTest, ReportLastErrorShowsTheSystemTextOnlyForAKnownCode) {
    machine.messageTexts[ERROR_FILE_NOT_FOUND] = "File not found.\r\n";

    SetLastError(0);
    ReportLastError("CreateProcess");
    EXPECT_TRUE(machine.boxes.empty());

    SetLastError(0x2BAD);  // no text for this code
    machine.messageTexts.erase(0x2BAD);
    ReportLastError("CreateProcess");
    EXPECT_TRUE(machine.boxes.empty());

    SetLastError(ERROR_FILE_NOT_FOUND);
    ReportLastError("CreateProcess");
    ASSERT_EQ(machine.boxes.size(), 1u);
    EXPECT_EQ(machine.boxes[0].caption, "Windows Error: CreateProcess");
    EXPECT_EQ(machine.boxes[0].text.find("File not found."), 0u);
    EXPECT_EQ(machine.boxes[0].style, static_cast<UINT>(MB_OK));
}

TEST_F(WinSysTest, MessageWithInsertMarksIsShownAsItStands) {
    machine.messageTexts[ERROR_BAD_EXE_FORMAT] = "%1 is not a valid Win32 application.\r\n";
    machine.AddFile("C:\\Apps\\Broken.exe", "not a program");
    const UINT result = CheckedWinExec("C:\\Apps\\Broken.exe", SW_SHOWNORMAL);
    EXPECT_LE(result, 31u);
    ASSERT_EQ(machine.boxes.size(), 1u);
    EXPECT_EQ(machine.boxes[0].caption, "Windows Error: WinExec");
    EXPECT_EQ(machine.boxes[0].text.find("%1 is not a valid Win32 application."), 0u);
}

TEST_F(WinSysTest, WinExecResultsUpTo31AreReported) {
    machine.AddFile("C:\\Apps\\Kest.Exe", "MZ program");
    const std::vector<std::pair<UINT, std::size_t>> cases = {{31, 1}, {32, 0}, {0, 1}, {33, 0}};
    for (const auto& c : cases) {
        machine.boxes.clear();
        machine.winExecResults["C:\\Apps\\Kest.Exe"] = c.first;
        EXPECT_EQ(CheckedWinExec("C:\\Apps\\Kest.Exe", SW_SHOWNORMAL), c.first);
        ASSERT_EQ(machine.boxes.size(), c.second) << "result " << c.first;
        if (c.second == 1) {
            EXPECT_EQ(machine.boxes[0].caption, "Windows Error: WinExec");
        }
    }
}

TEST_F(WinSysTest, WinExecuteWaitRunsTheProgramToItsEnd) {
    machine.AddFile("C:\\Program Files\\Tessaly\\kest.exe", "MZ program");
    machine.currentFolder = "C:\\Program Files\\Tessaly";
    EXPECT_TRUE(WinExecuteWait("kest.exe /unregserver"));
    ASSERT_EQ(machine.processes.size(), 1u);
    EXPECT_EQ(machine.processes[0].via, "CreateProcess");
    EXPECT_EQ(machine.processes[0].commandLine, "kest.exe /unregserver");
    EXPECT_EQ(machine.processes[0].currentFolder, "C:\\Program Files\\Tessaly");
    EXPECT_EQ(machine.openProcessHandles, 0);
    EXPECT_TRUE(machine.boxes.empty());
}

TEST_F(WinSysTest, WinExecuteWaitOfAMissingProgramReportsAndAnswersFalse) {
    machine.messageTexts[ERROR_FILE_NOT_FOUND] = "File not found.\r\n";
    EXPECT_FALSE(WinExecuteWait("C:\\Windows\\kest.exe /unregserver"));
    ASSERT_EQ(machine.boxes.size(), 1u);
    EXPECT_EQ(machine.boxes[0].caption, "Windows Error: CreateProcess");
    EXPECT_EQ(machine.boxes[0].text.find("File not found."), 0u);
    EXPECT_TRUE(machine.processes.empty());
    EXPECT_EQ(machine.openProcessHandles, 0);
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
