// Version, last error, process environment, folders, error mode and the
// top-level exception filter of the simulated machine.
#include <shellapi.h>

#include <cstring>

#include "Internal.h"

namespace winsim {

namespace {

const DWORD kVersionInfoSize = sizeof(OSVERSIONINFOA);  // 148
const DWORD kVersionInfoExSize = kVersionInfoSize + 8;  // 156, OSVERSIONINFOEXA
const BYTE kNtWorkstation = 1;
const ULONG_PTR kModuleBase = 0x00400000;

DWORD FailWith(DWORD error, DWORD result = 0) {
    M().lastError = error;
    return result;
}

// The platform's folder answers: the length without NUL when it fits, else the
// size needed with NUL and the buffer untouched.
DWORD CopyPath(const std::string& text, LPSTR buffer, DWORD size) {
    const DWORD length = static_cast<DWORD>(text.size());
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, text.c_str(), length + 1);
    return length;
}

std::string FileNamePart(const std::string& path) {
    size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// The system libraries a program may ask for by name, at made-up bases.
HMODULE SystemModule(const std::string& lowerName) {
    static const char* const names[] = {"kernel32", "user32", "advapi32",
                                        "shell32",  "lz32",   "ntdll"};
    for (size_t i = 0; i < sizeof names / sizeof *names; ++i) {
        const std::string name = names[i];
        if (lowerName == name + ".dll") return reinterpret_cast<HMODULE>(0x70000000 + 0x100000 * i);
    }
    return nullptr;
}

}  // namespace winsim

using namespace winsim;

DWORD WINAPI GetLastError(void) { return M().lastError; }

void WINAPI SetLastError(DWORD code) { M().lastError = code; }

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
    if (Faulted("GetVersionExA", ERROR_INVALID_PARAMETER)) return FALSE;
    Machine& m = M();
    if (!info) return FailWith(ERROR_NOACCESS, FALSE);
    const DWORD size = info->dwOSVersionInfoSize;
    // Windows 9x knows only the short record; the NT family takes both.
    const bool ntFamily = m.version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    const bool known = size == kVersionInfoSize || (ntFamily && size == kVersionInfoExSize);
    if (!known) return FailWith(ERROR_INSUFFICIENT_BUFFER, FALSE);
    if (m.faults.getVersionEx.fail) return FailWith(m.faults.getVersionEx.error, FALSE);
    *info = m.version;
    info->dwOSVersionInfoSize = size;
    if (size == kVersionInfoExSize) {
        // Service pack, suite mask and product type of OSVERSIONINFOEXA.
        BYTE* extra = reinterpret_cast<BYTE*>(info) + kVersionInfoSize;
        std::memset(extra, 0, kVersionInfoExSize - kVersionInfoSize);
        extra[6] = kNtWorkstation;
    }
    return TRUE;
}

LPSTR WINAPI GetCommandLineA(void) { return M().commandLine.data(); }

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    if (Faulted("GetModuleFileNameA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    Machine& m = M();
    if (module && module != reinterpret_cast<HMODULE>(kModuleBase))
        return FailWith(ERROR_MOD_NOT_FOUND);
    const std::string& path = m.moduleFileName;
    if (size == 0) return FailWith(ERROR_INSUFFICIENT_BUFFER);
    if (!fileName) return FailWith(ERROR_NOACCESS);
    if (path.size() < size) {
        std::memcpy(fileName, path.c_str(), path.size() + 1);
        return static_cast<DWORD>(path.size());
    }
    // As Wine and Windows XP do: the first `size` characters, without NUL.
    std::memcpy(fileName, path.data(), size);
    return FailWith(ERROR_INSUFFICIENT_BUFFER, size);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    if (!moduleName) return reinterpret_cast<HMODULE>(kModuleBase);
    std::string wanted = Lower(moduleName);
    if (FileNamePart(wanted).find('.') == std::string::npos) wanted += ".dll";  // the default
    const std::string own = Lower(FileNamePart(M().moduleFileName));
    if (wanted == own) return reinterpret_cast<HMODULE>(kModuleBase);
    HMODULE system = SystemModule(wanted);
    if (system) return system;
    M().lastError = ERROR_MOD_NOT_FOUND;
    return nullptr;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    if (Faulted("GetWindowsDirectoryA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    return CopyPath(M().windowsFolder, buffer, size);
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
    if (Faulted("GetSystemDirectoryA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    return CopyPath(M().systemFolder, buffer, size);
}

DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer) {
    if (Faulted("GetTempPathA", ERROR_PATH_NOT_FOUND)) return 0;
    Machine& m = M();
    if (m.faults.getTempPath.fail) return FailWith(m.faults.getTempPath.error);
    std::string path = m.tempPath;
    if (!path.empty() && path.back() != '\\') path += '\\';  // the platform always adds one
    return CopyPath(path, buffer, size);
}

DWORD WINAPI GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    if (Faulted("GetEnvironmentVariableA", ERROR_ENVVAR_NOT_FOUND)) return 0;
    Machine& m = M();
    if (!name) return FailWith(ERROR_INVALID_PARAMETER);
    const std::string wanted = Lower(name);
    for (const auto& entry : m.environment)
        if (Lower(entry.first) == wanted) return CopyPath(entry.second, buffer, size);
    return FailWith(ERROR_ENVVAR_NOT_FOUND);
}

DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR target, DWORD size) {
    Machine& m = M();
    if (!source) return FailWith(ERROR_INVALID_PARAMETER);
    std::string text = source, out;
    for (size_t i = 0; i < text.size();) {
        size_t end = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
        std::string value;
        bool known = false;
        if (end != std::string::npos) {
            const std::string wanted = Lower(text.substr(i + 1, end - i - 1));
            for (const auto& entry : m.environment)
                if (Lower(entry.first) == wanted) known = true, value = entry.second;
        }
        if (known) {
            out += value;
            i = end + 1;
        } else {
            out += text[i++];
        }
    }
    // The size counts the terminating NUL.
    const DWORD needed = static_cast<DWORD>(out.size() + 1);
    if (target && size >= needed) std::memcpy(target, out.c_str(), needed);
    return needed;
}

UINT WINAPI SetErrorMode(UINT mode) {
    Machine& m = M();
    const UINT previous = m.errorMode;
    m.errorMode = mode;
    m.errorModeHistory.push_back(mode);
    if (m.faults.setErrorMode.fail) m.lastError = m.faults.setErrorMode.error;
    return previous;
}

LONG WINAPI UnhandledExceptionFilter(EXCEPTION_POINTERS* exceptionInfo) {
    Machine& m = M();
    if (m.unhandledFilterContinues) return EXCEPTION_CONTINUE_SEARCH;
    LPTOP_LEVEL_EXCEPTION_FILTER filter = m.impl->registry.exceptionFilter;
    return filter ? filter(exceptionInfo) : EXCEPTION_EXECUTE_HANDLER;
}

void WINAPI RaiseException(DWORD code, DWORD flags, DWORD argumentCount,
                           const ULONG_PTR* arguments) {
    StructuredException raised{code, flags & EXCEPTION_NONCONTINUABLE, {}};
    if (arguments) raised.arguments.assign(arguments, arguments + argumentCount);
    throw raised;
}

LPTOP_LEVEL_EXCEPTION_FILTER WINAPI
SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
    LPTOP_LEVEL_EXCEPTION_FILTER& installed = M().impl->registry.exceptionFilter;
    LPTOP_LEVEL_EXCEPTION_FILTER previous = installed;
    installed = filter;
    return previous;
}
