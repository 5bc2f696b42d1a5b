// The simulated process environment: version, folders, module, variables,
// error mode and the top-level exception filter.
#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class SystemEnvironment : public ::testing::Test {
protected:
    winsim::Machine m;
};

TEST_F(SystemEnvironment, GetVersionExChecksTheRecordSize) {
    struct Case {
        const char* name;
        bool windows98;
        DWORD size;
        winsim::InjectedFailure failure;
        BOOL result;
        DWORD error;
    };
    const Case cases[] = {
        {"OSVERSIONINFOA", false, 148, {}, TRUE, 0},
        {"OSVERSIONINFOEXA", false, 156, {}, TRUE, 0},
        {"OSVERSIONINFOEXA on Windows 98", true, 156, {}, FALSE, ERROR_INSUFFICIENT_BUFFER},
        {"failure", false, 148, {true, ERROR_NOT_ENOUGH_MEMORY}, FALSE, ERROR_NOT_ENOUGH_MEMORY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.windows98)
            m.SetWindows98();
        else
            m.SetWindowsXP();
        m.faults.getVersionEx = c.failure;
        BYTE record[160];
        std::memset(record, 0, sizeof record);
        std::memcpy(record, &c.size, sizeof c.size);
        SetLastError(0);
        EXPECT_EQ(c.result, GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(record)));
        EXPECT_EQ(c.error, GetLastError());
        OSVERSIONINFOA info;
        std::memcpy(&info, record, sizeof info);
        EXPECT_EQ(c.size, info.dwOSVersionInfoSize);  // the caller's size stays
        EXPECT_EQ(c.result ? 5u : 0u, info.dwMajorVersion);
        EXPECT_EQ(c.result ? 1u : 0u, info.dwMinorVersion);
        EXPECT_EQ(c.result ? 2600u : 0u, info.dwBuildNumber);
        EXPECT_EQ(c.result ? 2u : 0u, info.dwPlatformId);
        EXPECT_EQ(0, record[156]) << "wrote past the record";
    }
}

TEST_F(SystemEnvironment, VersionPresetsAnswerLikeTheirSystems) {
    struct Case {
        const char* name;
        void (*set)(winsim::Machine&);
        DWORD major, minor, platform;
    };
    const Case cases[] = {
        {"default", [](winsim::Machine&) {}, 10, 0, VER_PLATFORM_WIN32_NT},
        {"Windows 98", [](winsim::Machine& x) { x.SetWindows98(); }, 4, 10,
         VER_PLATFORM_WIN32_WINDOWS},
        {"NT 4", [](winsim::Machine& x) { x.SetWindowsNT4(); }, 4, 0, VER_PLATFORM_WIN32_NT},
        {"2000", [](winsim::Machine& x) { x.SetWindows2000(); }, 5, 0, VER_PLATFORM_WIN32_NT},
        {"7", [](winsim::Machine& x) { x.SetWindows7(); }, 6, 1, VER_PLATFORM_WIN32_NT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Machine fresh;
        c.set(fresh);
        OSVERSIONINFOA info{};
        info.dwOSVersionInfoSize = sizeof info;
        ASSERT_TRUE(GetVersionExA(&info));
        EXPECT_EQ(c.major, info.dwMajorVersion);
        EXPECT_EQ(c.minor, info.dwMinorVersion);
        EXPECT_EQ(c.platform, info.dwPlatformId);
    }
}

enum class Folder { Windows, System, Temp, Variable };

UINT Ask(Folder which, char* buffer, UINT size) {
    switch (which) {
        case Folder::Windows:
            return GetWindowsDirectoryA(buffer, size);
        case Folder::System:
            return GetSystemDirectoryA(buffer, size);
        case Folder::Temp:
            return GetTempPathA(size, buffer);
        case Folder::Variable:
            return GetEnvironmentVariableA("windir", buffer, size);
    }
    return 0;
}

TEST_F(SystemEnvironment, FolderAnswersFollowThePlatformLengthRules) {
    const std::string longFolder = "C:\\" + std::string(300, 'w');
    struct Case {
        const char* name;
        Folder which;
        UINT size;
        UINT result;
        std::string buffer;  // its first bytes afterwards ("#": untouched)
    };
    const Case cases[] = {
        {"windows, fits", Folder::Windows, 255, 10, std::string("C:\\Windows\0", 11)},
        {"windows, room for text and NUL", Folder::Windows, 11, 10,
         std::string("C:\\Windows\0", 11)},
        {"windows, no room for NUL", Folder::Windows, 10, 11, "#"},
        {"windows, no buffer", Folder::Windows, 0, 11, "#"},
        {"system, fits", Folder::System, 255, 19, std::string("C:\\Windows\\System32\0", 20)},
        {"system, too small", Folder::System, 5, 20, "#"},
        {"temp, fits", Folder::Temp, 255, 16, std::string("C:\\Windows\\Temp\\\0", 17)},
        {"temp, too small", Folder::Temp, 16, 17, "#"},
        {"variable, fits", Folder::Variable, 255, 10, std::string("C:\\Windows\0", 11)},
        {"variable, too small", Folder::Variable, 10, 11, "#"},
    };
    m.environment["WINDIR"] = "C:\\Windows";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[400];
        std::memset(buffer, '#', sizeof buffer);
        SetLastError(0);
        EXPECT_EQ(c.result, Ask(c.which, buffer, c.size));
        EXPECT_EQ(0u, GetLastError());
        EXPECT_EQ(c.buffer, std::string(buffer, c.buffer.size()));
    }
    // A temporary path set without its backslash gets one.
    m.tempPath = "D:\\Tmp";
    char temp[16];
    EXPECT_EQ(7u, GetTempPathA(sizeof temp, temp));
    EXPECT_STREQ("D:\\Tmp\\", temp);
    // A Windows folder longer than the system's 255-character buffer.
    m.windowsFolder = longFolder;
    char buffer[256];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(longFolder.size() + 1, GetWindowsDirectoryA(buffer, 255));
    EXPECT_EQ('#', buffer[0]);
}

TEST_F(SystemEnvironment, FailingTempPath) {
    char buffer[64] = "unchanged";
    m.faults.getTempPath.fail = true;
    SetLastError(0);
    EXPECT_EQ(0u, GetTempPathA(sizeof buffer, buffer));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
    m.faults.getTempPath.error = ERROR_ACCESS_DENIED;
    EXPECT_EQ(0u, GetTempPathA(sizeof buffer, buffer));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_STREQ("unchanged", buffer);
}

TEST_F(SystemEnvironment, ModuleFileNameIsCutAsWineCutsIt) {
    struct Case {
        const char* name;
        DWORD size;
        DWORD result;
        DWORD error;
        std::string buffer;  // the first size+1 bytes afterwards
    };
    const Case cases[] = {
        {"fits", 260, 18, 0, std::string("C:\\Setup\\Setup.exe\0", 19)},
        {"exactly with NUL", 19, 18, 0, std::string("C:\\Setup\\Setup.exe\0", 19)},
        {"no room for NUL", 18, 18, ERROR_INSUFFICIENT_BUFFER, "C:\\Setup\\Setup.exe#"},
        {"short", 5, 5, ERROR_INSUFFICIENT_BUFFER, "C:\\Se#"},
        {"no room", 0, 0, ERROR_INSUFFICIENT_BUFFER, "#"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[300];
        std::memset(buffer, '#', sizeof buffer);
        SetLastError(0);
        EXPECT_EQ(c.result, GetModuleFileNameA(nullptr, buffer, c.size));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(c.buffer, std::string(buffer, c.buffer.size()));
    }
}

TEST_F(SystemEnvironment, ModuleHandles) {
    m.moduleFileName = "C:\\Program Files\\Kest\\KestDel.Exe";
    const HMODULE own = GetModuleHandleA(nullptr);
    EXPECT_EQ(reinterpret_cast<HMODULE>(0x00400000), own);
    struct Case {
        const char* name;
        const char* module;
        bool isOwn;
        bool found;
    };
    const Case cases[] = {
        {"own name", "kestdel.exe", true, true},
        {"own name without extension: a library is meant", "KESTDEL", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        const HMODULE found = GetModuleHandleA(c.module);
        EXPECT_EQ(c.found, found != nullptr);
        EXPECT_EQ(c.isOwn, found == own);
        EXPECT_EQ(c.found ? 0u : static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
    }
    char buffer[MAX_PATH];
    EXPECT_EQ(0u, GetModuleFileNameA(GetModuleHandleA("user32"), buffer, MAX_PATH));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
    EXPECT_EQ(33u, GetModuleFileNameA(own, buffer, MAX_PATH));
    EXPECT_STREQ("C:\\Program Files\\Kest\\KestDel.Exe", buffer);
}

TEST_F(SystemEnvironment, CommandLineAndLastError) {
    m.commandLine = "\"C:\\Kest\\KestDel.Exe\" \"Kest\" Tessaly";
    EXPECT_STREQ("\"C:\\Kest\\KestDel.Exe\" \"Kest\" Tessaly", GetCommandLineA());
    SetLastError(1234);
    EXPECT_EQ(1234u, GetLastError());
    EXPECT_EQ(1234u, m.lastError);
}

TEST_F(SystemEnvironment, ErrorModeReturnsThePreviousOne) {
    m.errorMode = SEM_NOGPFAULTERRORBOX;
    SetLastError(0);
    EXPECT_EQ(static_cast<UINT>(SEM_NOGPFAULTERRORBOX), SetErrorMode(SEM_FAILCRITICALERRORS));
    EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS), SetErrorMode(SEM_NOGPFAULTERRORBOX));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ(static_cast<UINT>(SEM_NOGPFAULTERRORBOX), m.errorMode);
    EXPECT_EQ((std::vector<UINT>{SEM_FAILCRITICALERRORS, SEM_NOGPFAULTERRORBOX}),
              m.errorModeHistory);
}

int filterCalls = 0;
LONG WINAPI CountingFilter(EXCEPTION_POINTERS*) {
    ++filterCalls;
    return EXCEPTION_CONTINUE_SEARCH;
}
LONG WINAPI HandlingFilter(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }

TEST_F(SystemEnvironment, UnhandledExceptionFilterAsksTheInstalledFilter) {
    struct Case {
        const char* name;
        LPTOP_LEVEL_EXCEPTION_FILTER filter;
        bool underDebugger;
        LONG answer;
        int calls;
    };
    const Case cases[] = {
        {"no filter", nullptr, false, EXCEPTION_EXECUTE_HANDLER, 0},
        {"filter answers", CountingFilter, false, EXCEPTION_CONTINUE_SEARCH, 1},
        {"under a debugger", HandlingFilter, true, EXCEPTION_CONTINUE_SEARCH, 0},
        {"under a debugger, counting", CountingFilter, true, EXCEPTION_CONTINUE_SEARCH, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        winsim::Machine fresh;
        fresh.unhandledFilterContinues = c.underDebugger;
        filterCalls = 0;
        EXPECT_EQ(nullptr, SetUnhandledExceptionFilter(c.filter));
        EXCEPTION_RECORD record{};
        CONTEXT context{};
        EXCEPTION_POINTERS pointers{&record, &context};
        EXPECT_EQ(c.answer, UnhandledExceptionFilter(&pointers));
        EXPECT_EQ(c.calls, filterCalls);
        EXPECT_EQ(c.filter, SetUnhandledExceptionFilter(nullptr));
    }
}

}  // namespace
