// Start-up, mode choice, the top-level error report and the exit code.
#include "Program.h"

#include <windows.h>

#include <exception>
#include <new>
#include <string>

#include "Errors.h"
#include "KestDel.h"
#include "SetupA.h"
#include "Tools.h"
#include "WinSys.h"

namespace {

const int ExitCodeError = 1;
const int ExitCodeStartupError = 217;
const DWORD SystemExceptionCode = 0xE04B4553;  // our own code for the exception filter

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
        "Runtime error " + std::to_string(ExitCodeStartupError) + " at " + Hex8(address);
    MessageBoxA(NULL, text.c_str(), "Error", MB_OK);
}

bool IsUninstallerPath(const std::string& path) {
    std::string lower = path;
    if (!lower.empty()) CharLowerBuffA(&lower[0], static_cast<DWORD>(lower.size()));
    return lower.find("\\kestdel") != std::string::npos;
}

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
    const FARPROC found = GetProcAddress(kernel, "SetProcessMitigationPolicy");
    if (found == nullptr) return;
    SetMitigationPolicyCall setPolicy =
        reinterpret_cast<SetMitigationPolicyCall>(reinterpret_cast<void (*)()>(found));
    DWORD flags = EnforceRedirectionTrust;
    if (!setPolicy(RedirectionTrustPolicy, &flags, sizeof(flags))) {
        // Refused (an older build of the system): the uninstaller's own checks remain.
    }
}

void RunMode() {
    std::string ownPath = ProgramArgument(0);
    if (IsUninstallerPath(ownPath)) {
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
