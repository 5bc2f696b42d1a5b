// Start-up, mode choice, the top-level error report and the exit code.
#include "Program.h"

#include <windows.h>

#include <exception>
#include <new>
#include <string>
#include <vector>

#include "Errors.h"
#include "KestDel.h"
#include "ProductNames.h"
#include "SetupA.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysStartup.h"

namespace {

const int ExitCodeError = 1;
const int ExitCodeStartupError = 217;
const DWORD SystemExceptionCode = 0xE04B4553;     // our own code for the exception filter
const DWORD SearchSystemFolderOnly = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
const DWORD LongestPath = 32768;
const char* const UnusablePathText =
    "This program cannot run from its folder: the folder's name holds characters that "
    "Windows would hand to the program changed. Copy the program into a folder with a "
    "plain name and start it there.";

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);
typedef BOOL(WINAPI* SetDllDirectoryFunction)(LPCSTR);
typedef DWORD(WINAPI* GetModuleFileNameWFunction)(HMODULE, LPWSTR, DWORD);

// Libraries that the system loads later by a bare name come from the system folder
// only, where Windows can be told so (8 and later, Vista and 7 with their update);
// from XP's first service pack on, the current folder at least is left out of the
// search. Earlier Windows has no means for either.
void RestrictDllSearch() {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const SetDefaultDllDirectoriesFunction setDefault =
        SystemFunction<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
    if (setDefault && setDefault(SearchSystemFolderOnly)) return;
    const SetDllDirectoryFunction setDirectory =
        SystemFunction<SetDllDirectoryFunction>(kernel, "SetDllDirectoryA");
    // Where this fails there is nothing else to try: the search stays as the system set it.
    if (setDirectory) IgnoreResult(setDirectory(""));
}

// The own path as the file system holds it; empty when the system does not tell.
std::vector<WCHAR> OwnUnicodePath() {
    const GetModuleFileNameWFunction getName = SystemFunction<GetModuleFileNameWFunction>(
        GetModuleHandleA("kernel32.dll"), "GetModuleFileNameW");
    if (!getName) return std::vector<WCHAR>();
    for (DWORD size = MAX_PATH; size <= LongestPath; size *= 2) {
        std::vector<WCHAR> buffer(size, 0);
        const DWORD length = getName(nullptr, buffer.data(), size);
        if (length == 0) return std::vector<WCHAR>();
        if (length + 1 < size) {
            buffer.resize(length);
            return buffer;
        }
    }
    return std::vector<WCHAR>();
}

// NT 4.0 knows no WC_NO_BEST_FIT_CHARS: there a text is exact when it converts back
// to itself.
bool ConvertsBack(const std::vector<WCHAR>& wide, const std::string& text) {
    std::vector<WCHAR> back(wide.size() + 1, 0);
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           back.data(), static_cast<int>(back.size()));
    if (length <= 0) return false;
    back.resize(static_cast<size_t>(length));
    return back == wide;
}

// Whether a Unicode text has an ANSI form with a byte of its own for each character,
// no look-alike put in by the system's best fit and no default character; that form
// in `text`.
bool ExactAnsiText(const std::vector<WCHAR>& wide, std::string& text) {
    if (wide.empty()) return false;
    const int count = static_cast<int>(wide.size());
    std::vector<char> buffer(wide.size() * 2, '\0');  // at most two bytes a character
    BOOL usedDefault = FALSE;
    int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), count, buffer.data(),
                            static_cast<int>(buffer.size()), nullptr, &usedDefault);
    const bool flagRefused = length == 0 && GetLastError() == ERROR_INVALID_FLAGS;
    if (flagRefused) {
        length = WideCharToMultiByte(CP_ACP, 0, wide.data(), count, buffer.data(),
                                     static_cast<int>(buffer.size()), nullptr, &usedDefault);
    }
    if (length <= 0 || usedDefault) return false;
    text.assign(buffer.data(), static_cast<size_t>(length));
    return !flagRefused || ConvertsBack(wide, text);
}

// On the NT family the ANSI own path is made from the Unicode one, with look-alikes
// for characters the code page lacks: a folder named with a full-width backslash
// would read as a path that leads elsewhere. Such a path is not acted on.
bool OwnPathIsExact(const std::string& ownPath) {
    std::string exact;
    return ExactAnsiText(OwnUnicodePath(), exact) && exact == ownPath;
}

// The text and command-line tools keep no state of their own.
void InitializeTools() {}
void FinalizeTools() {}

std::string Hex8(unsigned long value) {
    const char digits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i) {
        text[i] = digits[value & 0xF];
        value >>= 4;
    }
    return text;
}

// The address of a routine of ours, as the report shows it: 32 bits are all a
// 32-bit process has.
unsigned long CodeAddress(void (*routine)()) {
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(routine) & 0xFFFFFFFFu);
}

unsigned long ModuleBase() {
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(GetModuleHandleA(NULL)) &
                                      0xFFFFFFFFu);
}

std::string OwnFileName() {
    std::string path = ProgramArgument(0);
    return FileNamePart(path);
}

LONG WINAPI AnswerExecuteHandler(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }

// Asks the platform's unhandled-exception filter first, as any unhandled failure
// would: under a debugger it answers that the search is to go on, and then the
// platform's own handling takes over. Our own top-level filter stands in for the
// system's error-reporting box while the question is asked.
bool PlatformLetsUsReport(unsigned long address) {
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = SystemExceptionCode;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    record.ExceptionAddress = reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(address));
    CONTEXT context = {};
    EXCEPTION_POINTERS pointers = {&record, &context};
    LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(AnswerExecuteHandler);
    LONG answer = UnhandledExceptionFilter(&pointers);
    SetUnhandledExceptionFilter(previous);
    return answer != EXCEPTION_CONTINUE_SEARCH;
}

std::string ErrorTypeName(const std::exception& error) {
    if (const KestError* own = dynamic_cast<const KestError*>(&error)) return own->TypeName();
    if (dynamic_cast<const std::bad_alloc*>(&error)) return "OutOfMemory";
    return "Exception";
}

// "Exception %s in module %s at %p.\r\n%s%s\r\n"
std::string ApplicationErrorText(const std::string& typeName, const std::string& message,
                                 unsigned long offset) {
    std::string stop = (!message.empty() && message[message.size() - 1] != '.') ? "." : "";
    return "Exception " + typeName + " in module " + OwnFileName() + " at " + Hex8(offset) +
           ".\r\n" + message + stop + "\r\n";
}

// Hands a failure that we may not report to the platform's own handling, as a
// structured exception whose record names the error's type and text, so that a
// debugger sees it where a rethrown language exception would only abort.
void RaiseUnreported(const std::string& typeName, const std::string& message) {
    const ULONG_PTR texts[] = {reinterpret_cast<ULONG_PTR>(typeName.c_str()),
                               reinterpret_cast<ULONG_PTR>(message.c_str())};
    RaiseException(SystemExceptionCode, EXCEPTION_NONCONTINUABLE, 2, texts);
}

void RunMode();

// The top-level report of a failure inside a mode; false when the platform's own
// handling is to take over instead.
bool ReportApplicationError(const std::string& typeName, const std::string& message) {
    unsigned long address = CodeAddress(RunMode);
    if (!PlatformLetsUsReport(address)) return false;
    std::string text = ApplicationErrorText(typeName, message, address - ModuleBase());
    MessageBoxA(NULL, text.c_str(), "Application Error", MB_ICONERROR | MB_TASKMODAL);
    return true;
}

// "Runtime error 217 at 00000000", the address over the zeros.
void ShowRuntimeError(unsigned long address) {
    std::string text =
        "Runtime error " + DecimalText(ExitCodeStartupError) + " at " + Hex8(address);
    MessageBoxA(NULL, text.c_str(), "Error", MB_OK);
}

bool IsUninstallerPath(const std::string& path) { return PosText("\\kestdel", path) != 0; }

// RedirectionGuard (Windows 11, Windows 10 22H2): the process no longer follows
// junctions that ordinary users made, a second guard beside the uninstaller's own
// link checks. The policy is set where the system has the call (looked up at run
// time: the 9x family and older NT lack it) and the run goes on where it is missing
// or refused. The launcher keeps following junctions: a user's own junction may lead
// to the installation medium. Our own names, as older system headers lack them.
const int RedirectionTrustPolicy = 16;  // ProcessRedirectionTrustPolicy
const DWORD EnforceRedirectionTrust = 0x1;
typedef BOOL(WINAPI* SetMitigationPolicyCall)(int policy, PVOID buffer, SIZE_T length);

void GuardRedirections() {
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return;
    const SetMitigationPolicyCall setPolicy =
        SystemFunction<SetMitigationPolicyCall>(kernel, "SetProcessMitigationPolicy");
    if (setPolicy == nullptr) return;
    DWORD flags = EnforceRedirectionTrust;
    // Refused by an older build of the system: the uninstaller's own checks remain.
    IgnoreResult(setPolicy(RedirectionTrustPolicy, &flags, sizeof(flags)));
}

void RunMode() {
    std::string ownPath = ProgramArgument(0);
    const bool uninstaller = IsUninstallerPath(ownPath);
    if (State.IsNT && !OwnPathIsExact(ownPath)) {
        ShowMessageBox(UnusablePathText, uninstaller ? UninstallCaption : StartupCaption);
        return;
    }
    if (uninstaller) {
        GuardRedirections();
        UninstallProgram(ownPath, ProgramArgument(1), ProgramArgument(2), ProgramArgument(3),
                         ProgramArgument(4));
    } else {
        CheckStartup(ownPath, ProgramArgument(1));
    }
}

void FinalizeModes() {
    FinalizeKestDel();
    FinalizeSetupA();
}

}  // namespace

int RunProgram() {
    RestrictDllSearch();
    InitializeTools();
    try {
        InitializeWinSys();
    } catch (const KestError& error) {
        const unsigned long address = CodeAddress(InitializeWinSys);
        if (!PlatformLetsUsReport(address)) {
            RaiseUnreported(error.TypeName(), error.what());
            return ExitCodeStartupError;  // reached only when a debugger lets it go on
        }
        FinalizeWinSys();
        FinalizeTools();
        ShowRuntimeError(address);
        return ExitCodeStartupError;
    }
    InitializeSetupA();
    InitializeKestDel();

    int exitCode = 0;
    try {
        RunMode();
    } catch (const std::exception& error) {
        if (!ReportApplicationError(ErrorTypeName(error), error.what())) {
            RaiseUnreported(ErrorTypeName(error), error.what());
        }
        exitCode = ExitCodeError;
    }
    FinalizeModes();
    FinalizeWinSys();
    FinalizeTools();
    return exitCode;
}
