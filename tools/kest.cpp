// Stand-in for the product's main program (Kest.Exe, kest.exe) in end-to-end tests.
// It records how it was started, one line "<command line>\t<current folder>" appended to
// the file named by KEST_STANDIN_LOG (default C:\standin.log), and ends with exit code 0.
// It shows nothing.
#include <windows.h>

#include <string>

#include "ToolHandle.h"

namespace {

const char* const DefaultLogPath = "C:\\standin.log";
const int OpenAttempts = 200;  // another stand-in may hold the log for a moment
const DWORD RetryMilliseconds = 50;

std::string LogPath() {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("KEST_STANDIN_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path) return DefaultLogPath;
    return std::string(path, length);
}

std::string CurrentFolder() {
    char folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return "?";
    return std::string(folder, length);
}

HANDLE OpenLog(const std::string& path) {
    for (int attempt = 0; attempt < OpenAttempts; ++attempt) {
        HANDLE log = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE) return log;
        if (GetLastError() != ERROR_SHARING_VIOLATION) break;
        Sleep(RetryMilliseconds);
    }
    return INVALID_HANDLE_VALUE;
}

bool AppendLine(const std::string& path, const std::string& line) {
    Handle log(OpenLog(path));
    if (!log.IsValid()) return false;
    DWORD written = 0;
    return SetFilePointer(log.get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
           WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::string line = std::string(GetCommandLineA()) + "\t" + CurrentFolder() + "\r\n";
    // A stand-in that cannot record its start must not pass for one that did.
    return AppendLine(LogPath(), line) ? 0 : 3;
}
