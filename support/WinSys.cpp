// The system module: the process-wide state record, the Windows version and administrator tests,
// the checked system calls, the message boxes and the log.
#include "WinSys.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "Tools.h"
#include "WinSysHandles.h"

ProcessState State;

namespace {

const char* const WindowsErrorCaption = "Windows Error: ";
const char* const LogFileName = "Startup.Log";
const UINT TextBufferSize = 255;

// Messages come from the system's table with its regular line breaks dropped.
// Inserts ("%1") are left as they stand: without an argument list the system
// would otherwise fail, or read arguments that were never passed.
const DWORD MessageFlags =
    FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;

// The text of a system call that fills a buffer of TextBufferSize characters and
// answers with the length it filled. An answer that does not fit is a request
// for a larger buffer and counts as no answer.
std::string FilledText(const char* buffer, DWORD length) {
    if (length == 0 || length >= TextBufferSize) {
        return std::string();
    }
    return std::string(buffer, length);
}

// The system's text for an error code as it stands, up to any NUL in it; empty when
// the system has none.
std::string SystemText(DWORD code) {
    char buffer[TextBufferSize];
    buffer[0] = '\0';
    const DWORD length =
        FormatMessageA(MessageFlags, nullptr, code, 0, buffer, TextBufferSize, nullptr);
    const std::string text = FilledText(buffer, length);
    return text.substr(0, text.find('\0'));
}

}  // namespace

// ---------------------------------------------------------------------------
// Windows version and administrator test.

bool CheckedGetVersionEx(OSVERSIONINFOA& info) {
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    ClearLastError();
    if (!GetVersionExA(&info)) {
        ReportLastError("GetVersionEx");
        std::memset(&info, 0, sizeof(info));
        info.dwOSVersionInfoSize = sizeof(info);
        return false;
    }
    return true;
}

bool DetectWindowsVersion() {
    State.IsWinXP = false;
    OSVERSIONINFOA info;
    CheckedGetVersionEx(info);
    State.IsWinXP = info.dwMajorVersion == 5 && info.dwMinorVersion >= 1;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

namespace {

// Opens the token that speaks for this thread: its own when it impersonates,
// else the process's. False when neither can be opened.
bool OpenCallerToken(KernelHandle& token) {
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Receive())) {
        return true;
    }
    if (GetLastError() != ERROR_NO_TOKEN) {
        return false;
    }
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) {
        return false;
    }
    return true;
}

// Whether one of the groups in the block is `group`. Entries that would lie
// beyond the block are not read.
bool HoldsGroup(const std::vector<BYTE>& block, PSID group) {
    if (block.size() < offsetof(TOKEN_GROUPS, Groups)) {
        return false;
    }
    const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(block.data());
    const std::size_t room =
        (block.size() - offsetof(TOKEN_GROUPS, Groups)) / sizeof(SID_AND_ATTRIBUTES);
    const std::size_t count = groups->GroupCount < room ? groups->GroupCount : room;
    const SID_AND_ATTRIBUTES* entries = groups->Groups;
    for (std::size_t i = 0; i < count; ++i) {
        // A group held for deny checks only is the mark of a filtered token (an
        // administrator not elevated), which has none of an administrator's rights.
        // A disabled group counts like any other.
        if ((entries[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0 &&
            EqualSid(group, entries[i].Sid)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsAdministrator() {
    // Declared in the reverse order of their release: the group block goes
    // first, then the token, then the identity.
    SidHandle administrators;
    KernelHandle token;
    std::vector<BYTE> groupBlock;

    if (!OpenCallerToken(token)) {
        return false;
    }
    SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  administrators.Receive())) {
        throw SystemError("Winsys: Administrator-1");
    }
    DWORD needed = 0;
    if (GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &needed) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        throw SystemError("Winsys: Administrator-2");
    }
    groupBlock.assign(needed, 0);
    DWORD filled = 0;
    if (needed == 0 ||
        !GetTokenInformation(token.Get(), TokenGroups, groupBlock.data(), needed, &filled)) {
        throw SystemError("Winsys: Administrator-3");
    }
    return HoldsGroup(groupBlock, administrators.Get());
}

// ---------------------------------------------------------------------------
// Checked system calls.

void ClearLastError() { SetLastError(0); }

std::string SystemMessage(DWORD code) {
    std::string message = SystemText(code);
    while (!message.empty() && static_cast<unsigned char>(message.back()) <= ' ') {
        message.pop_back();
    }
    return message;
}

void ReportLastError(const std::string& callName) {
    const DWORD code = GetLastError();
    if (code == 0) {
        return;
    }
    const std::string message = SystemText(code);
    if (message.empty()) {
        return;
    }
    ShowWindowsError(callName, message);
}

void ShowWindowsError(const std::string& callName, const std::string& message) {
    // The plain box: a box that fails while reporting is not reported again.
    MessageBoxA(nullptr, message.c_str(), (WindowsErrorCaption + callName).c_str(), MB_OK);
    WriteLog("Windows Error (" + callName + ") " + message);
}

BOOL CheckedCreateProcess(LPCSTR applicationName, LPSTR commandLine,
                          LPSECURITY_ATTRIBUTES processAttributes,
                          LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                          DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                          LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation) {
    ClearLastError();
    const BOOL created = CreateProcessA(
        applicationName, commandLine, processAttributes, threadAttributes, inheritHandles,
        creationFlags, environment, currentDirectory, startupInfo, processInformation);
    if (!created) {
        ReportLastError("CreateProcess");
    }
    return created;
}

int CheckedMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style) {
    ClearLastError();
    const int button = MessageBoxA(owner, text.c_str(), caption.c_str(), style);
    if (button == 0) {
        ReportLastError("MessageBox");
    }
    return button;
}

void CheckedSetErrorMode(bool on) {
    ClearLastError();
    if (on) {
        State.SavedErrorMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    } else {
        SetErrorMode(State.SavedErrorMode);
    }
    // SetErrorMode has no failure sign of its own: the last-error code decides.
    ReportLastError("SetErrorMode");
}

DWORD CheckedWaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    ClearLastError();
    const DWORD result = WaitForSingleObject(handle, milliseconds);
    if (result == WAIT_FAILED) {
        ReportLastError("WaitForSingleObject");
    }
    return result;
}

UINT CheckedWinExec(const std::string& commandLine, UINT showMode) {
    ClearLastError();
    const UINT result = WinExec(commandLine.c_str(), showMode);
    if (result <= 31) {
        ReportLastError("WinExec");
    }
    return result;
}

std::string GetWindowsFolder() {
    ClearLastError();
    char buffer[TextBufferSize];
    const UINT length = GetWindowsDirectoryA(buffer, TextBufferSize);
    const std::string folder = FilledText(buffer, length);
    if (folder.empty()) {
        ReportLastError("GetWindowsDirectory");
    }
    return AddBackslash(folder);
}

std::string GetSystemFolder() {
    ClearLastError();
    char buffer[TextBufferSize];
    const UINT length = GetSystemDirectoryA(buffer, TextBufferSize);
    const std::string folder = FilledText(buffer, length);
    if (folder.empty()) {
        ReportLastError("GetSystemDirectory");
    }
    return AddBackslash(folder);
}

std::string SystemLibraryPath(const std::string& fileName) {
    const std::string folder = GetSystemFolder();
    return folder.empty() ? std::string() : folder + fileName;
}

std::string GetTempFolder() {
    ClearLastError();
    char buffer[TextBufferSize];
    const DWORD length = GetTempPathA(TextBufferSize, buffer);
    const std::string folder = FilledText(buffer, length);
    if (folder.empty()) {
        ReportLastError("GetTempPath");
    }
    return AddBackslash(folder);
}

bool WinExecuteWait(const std::string& commandLine) {
    STARTUPINFOA startupInfo;
    std::memset(&startupInfo, 0, sizeof(startupInfo));
    startupInfo.cb = sizeof(startupInfo);
    static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOA) == 68,
                  "the start-up record of 32-bit Windows has 68 bytes");
    PROCESS_INFORMATION processInfo;
    std::memset(&processInfo, 0, sizeof(processInfo));

    // CreateProcessA may write into the command line: hand it a copy of its own.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CheckedCreateProcess(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startupInfo, &processInfo)) {
        WriteLog("WinExecuteWait failed with error: " + DecimalText(GetLastError()));
        return false;
    }
    // Declared so that the process handle is closed first, then the thread's.
    KernelHandle thread(processInfo.hThread);
    KernelHandle process(processInfo.hProcess);
    CheckedWaitForSingleObject(process.Get(), INFINITE);
    return true;
}

void ShowMessageBox(const std::string& text, const std::string& caption) {
    CheckedMessageBox(nullptr, text, caption, MB_OK);
}

// ---------------------------------------------------------------------------
// Log. Inert while no log folder is set, which is the case for the whole run of
// the shipped program: nothing in the system sets one. The branch that writes the
// file below therefore runs only in tests, which set a folder to check the lines.

void WriteLog(const std::string& text) {
    if (State.LogFolder.empty()) {
        return;
    }
    if (State.LogLines) {
        State.LogLines->push_back(text);
    }
    const std::string name = AddBackslash(State.LogFolder) + LogFileName;
    // The log is only appended to, never created.
    KernelHandle file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        return;
    }
    if (SetFilePointer(file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
        return;
    }
    const std::string line = (text + "\r\n").substr(0, TextBufferSize);
    DWORD written = 0;
    if (!WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
        return;  // the log has no one to report to
    }
}
