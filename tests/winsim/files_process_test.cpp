// Starting programs: which file a command line runs, the failures, the records and the
// process handles.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <string>
#include <vector>

namespace {

const DWORD kUntouched = 0xDEAD;

void Build(winsim::Machine& m) {
    m.AddFile("C:\\Program Files\\Kest\\Kest.Exe", "MZ kest");
    m.AddFile("C:\\Setup\\Setup.exe", "MZ setup");
    m.AddFile("C:\\Setup\\Helper.exe", "MZ helper");
    m.AddFile("C:\\Windows\\System32\\cmd.exe", "MZ cmd");
}

struct Case {
    const char* what;
    const char* commandLine;
    const char* extra;  // a further program, or a folder when it ends in a backslash
};

}  // namespace

TEST(FilesProcess, WhichProgramRuns) {
    const Case cases[] = {
        {"a quoted program with blanks", "\"C:\\Program Files\\Kest\\Kest.Exe\" \"D:\\Src\"",
         nullptr},
        {"an unquoted program with blanks", "C:\\Program Files\\Kest\\Kest.Exe /unregserver",
         nullptr},
        {"the extension is added", "C:\\Program Files\\Kest\\Kest /x", nullptr},
        {"a bare name found beside the running program", "helper.exe arg", nullptr},
        {"a bare name found in the system folder", "cmd.exe /c \"Del x\"", nullptr},
        {"the shortest existing prefix wins", "C:\\Program Files\\None\\Kest.Exe",
         "C:\\Program.exe"},
        {"a folder named like a prefix is passed over", "C:\\Program Files\\Kest\\Kest.Exe",
         "C:\\Program.exe\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool viaWinExec : {true, false}) {
            winsim::Machine m;
            Build(m);
            std::string extra = c.extra ? c.extra : "";
            if (!extra.empty() && extra.back() == '\\') m.AddFolder(extra);
            if (!extra.empty() && extra.back() != '\\') m.AddFile(extra, "MZ");
            m.lastError = kUntouched;
            if (viaWinExec) {
                EXPECT_EQ(33u, WinExec(c.commandLine, SW_SHOWNORMAL));
            } else {
                std::string line = c.commandLine;
                STARTUPINFOA si = {};
                si.cb = sizeof si;
                PROCESS_INFORMATION pi = {};
                ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                                           nullptr, &si, &pi));
                CloseHandle(pi.hThread);
                CloseHandle(pi.hProcess);
            }
            EXPECT_EQ(kUntouched, m.lastError);
            ASSERT_EQ(1u, m.programs.started.size());
            const winsim::ProcessRecord& p = m.programs.started[0];
            EXPECT_EQ(viaWinExec ? "WinExec" : "CreateProcess", p.via);
            EXPECT_EQ(c.commandLine, p.commandLine);
            EXPECT_EQ("C:\\", p.currentFolder);
            EXPECT_EQ(viaWinExec ? static_cast<UINT>(SW_SHOWNORMAL) : 0u, p.showMode);
            std::string line =
                std::string(viaWinExec ? "exec: " : "create: ") + c.commandLine + " | C:\\";
            EXPECT_EQ(std::vector<std::string>{line}, m.Lines(viaWinExec ? "exec: " : "create: "));
        }
    }
}

TEST(FilesProcess, ForcedWinExecResults) {
    struct Forced {
        UINT result;
        DWORD error;
        bool started;
    };
    const Forced cases[] = {
        {2, ERROR_FILE_NOT_FOUND, false},
        {3, ERROR_PATH_NOT_FOUND, false},
        {11, ERROR_BAD_EXE_FORMAT, false},
        {0, ERROR_NOT_ENOUGH_MEMORY, false},
        {42, kUntouched, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.result);
        winsim::Machine m;
        Build(m);
        m.faults.winExecResults["c:\\program files\\kest\\kest.exe"] = c.result;
        m.lastError = kUntouched;
        EXPECT_EQ(c.result,
                  WinExec("\"C:\\Program Files\\Kest\\Kest.Exe\" \"D:\\\"", SW_SHOWNORMAL));
        EXPECT_EQ(c.error, m.lastError);
        EXPECT_EQ(c.started ? 1u : 0u, m.programs.started.size());
        // Other programs are not affected.
        EXPECT_EQ(33u, WinExec("C:\\Setup\\Helper.exe", SW_SHOWNORMAL));
    }
}

TEST(FilesProcess, StartedProgramsAndTheirHandles) {
    winsim::Machine m;
    Build(m);
    m.AddFolder("C:\\Program Files\\Kest\\Work");
    std::vector<std::string> seen;
    m.programs.onStart = [&](const winsim::ProcessRecord& p) {
        seen.push_back(p.via + " " + p.currentFolder);
        m.AddFile("C:\\Program Files\\Kest\\Work\\done.txt");  // the program's own doing
    };
    char line[] = "kest.exe /unregserver";
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\Program Files\\Kest"));
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr,
                               "C:\\Program Files\\Kest\\Work", &si, &pi));
    EXPECT_EQ(std::vector<std::string>{"CreateProcess C:\\Program Files\\Kest\\Work"}, seen);
    EXPECT_TRUE(m.Exists("C:\\Program Files\\Kest\\Work\\done.txt"));
    EXPECT_EQ(2, m.programs.openHandles);
    EXPECT_NE(pi.hProcess, pi.hThread);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(pi.hProcess, INFINITE));
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_EQ(0, m.programs.openHandles);
    m.lastError = kUntouched;
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(pi.hProcess, INFINITE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), m.lastError);

    char again[] = "\"C:\\Program Files\\Kest\\Kest.Exe\"";
    EXPECT_FALSE(
        CreateProcessA(nullptr, again, nullptr, nullptr, FALSE, 0, nullptr, "C:\\None", &si, &pi));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), m.lastError);
    EXPECT_EQ(1u, m.programs.started.size());
}
