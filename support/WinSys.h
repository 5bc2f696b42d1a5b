// The system module: the process-wide state record, the Windows version and
// administrator test, checked system calls, message boxes, the log and the system's
// folders and libraries. Registry, files and shell folders have headers of their own.
#ifndef KEST_SUPPORT_WINSYS_H
#define KEST_SUPPORT_WINSYS_H

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Errors.h"
#include "Tools.h"
#include "WinSysHandles.h"

// ---------------------------------------------------------------------------
// Process-wide state record. One instance; every field zero, false or empty at load.
struct ProcessState {
    bool IsNT = false;
    bool IsWinXP = false;
    bool IsAdmin = false;
    DWORD SavedErrorMode = 0;
    std::string LogFolder;                 // never set in this system: the log stays inert
    std::unique_ptr<StringList> LogLines;  // created at start-up, released at shut-down
    int FailureCount = 0;
    std::string ProgramFolder;
    std::string DataFolder;
};
extern ProcessState State;

// ---------------------------------------------------------------------------
// Windows version and administrator detection.
bool CheckedGetVersionEx(OSVERSIONINFOA& info);
bool DetectWindowsVersion();  // true on the NT family; sets State.IsWinXP
bool IsAdministrator();       // may raise SystemError "Winsys: Administrator-1/2/3"

// ---------------------------------------------------------------------------
// Checked system calls, message boxes and log.
void ClearLastError();
void ReportLastError(const std::string& callName);
void ShowWindowsError(const std::string& callName, const std::string& message);
BOOL CheckedCreateProcess(LPCSTR applicationName, LPSTR commandLine,
                          LPSECURITY_ATTRIBUTES processAttributes,
                          LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                          DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                          LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation);
int CheckedMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style);
void CheckedSetErrorMode(bool on);
DWORD CheckedWaitForSingleObject(HANDLE handle, DWORD milliseconds);
UINT CheckedWinExec(const std::string& commandLine, UINT showMode);
std::string GetWindowsFolder();
std::string GetSystemFolder();  // the system folder with a trailing backslash; empty on failure
std::string GetTempFolder();
bool WinExecuteWait(const std::string& commandLine);
void ShowMessageBox(const std::string& text, const std::string& caption);
void WriteLog(const std::string& text);
// The system's text for an error code without its line end; empty when it has none.
std::string SystemMessage(DWORD code);

// ---------------------------------------------------------------------------
// System libraries.

// A function of a system library, looked up at run time because some Windows the
// system runs on lacks it; null where this Windows has none (or the library is null).
template <typename Function>
Function SystemFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}
// The full path of a library in the system folder; empty (after the system's report)
// when the system folder cannot be had. Libraries are loaded by it: a bare name is
// searched for in the program's folder first, where anyone may have put a file so named.
std::string SystemLibraryPath(const std::string& fileName);

#endif
