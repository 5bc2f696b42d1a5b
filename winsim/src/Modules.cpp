// Libraries of the simulated machine: loading by path, the functions each Windows
// version exports, the DLL search settings, the module's Unicode name and the
// process's identity.
#include <lzexpand.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Internal.h"

namespace winsim {

namespace {

const char* const kLibraries[] = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll",
                                  "lz32.dll"};
const ULONG_PTR kModuleBase = 0x00400000;

DWORD FailWith(DWORD error) {
    M().lastError = error;
    return 0;
}

std::string LowerFileName(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return Lower(slash == std::string::npos ? path : path.substr(slash + 1));
}

bool IsNt() { return M().version.dwPlatformId == VER_PLATFORM_WIN32_NT; }

// Windows version major.minor at least as given, on the NT family.
bool NtFrom(DWORD major, DWORD minor) {
    const OSVERSIONINFOA& v = M().version;
    return IsNt() &&
           (v.dwMajorVersion > major || (v.dwMajorVersion == major && v.dwMinorVersion >= minor));
}

bool HasDefaultDllDirectories() { return NtFrom(6, 2) || (NtFrom(6, 0) && M().dllDirectoryUpdate); }

bool HasSetDllDirectory() { return NtFrom(5, 2) || (NtFrom(5, 1) && M().servicePack >= 1); }

BOOL WINAPI SetDefaultDllDirectories(DWORD flags) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(flags));
    Record(std::string("dllsearch: SetDefaultDllDirectories ") + text);
    if (flags == 0) return FailWith(ERROR_INVALID_PARAMETER);
    return TRUE;
}

BOOL WINAPI SetDllDirectoryA(LPCSTR path) {
    Record(std::string("dllsearch: SetDllDirectoryA ") +
           (path ? "\"" + std::string(path) + "\"" : "NULL"));
    return TRUE;
}

const int kRedirectionTrustPolicy = 16;  // ProcessRedirectionTrustPolicy

// Windows 8 and later have the call; the redirection-trust policy is taken from
// Windows 10 22H2 (build 19045) and Windows 11 on, older builds refuse it.
BOOL WINAPI SetProcessMitigationPolicy(int policy, PVOID buffer, SIZE_T length) {
    Machine& m = M();
    const bool knowsPolicy = policy == kRedirectionTrustPolicy && m.version.dwMajorVersion >= 10 &&
                             m.version.dwBuildNumber >= 19045;
    if (!knowsPolicy || !buffer || length != sizeof(DWORD))
        return FailWith(ERROR_INVALID_PARAMETER);
    DWORD flags = 0;
    std::memcpy(&flags, buffer, sizeof flags);
    m.mitigationPolicies[policy] = flags;
    return TRUE;
}

bool HasMitigationPolicies() { return NtFrom(6, 2); }

// Windows 95 and NT 4.0 without a newer shell lack the recycle-bin question.
bool HasRecycleBinQuery() { return !M().noRecycleBinQuery; }

template <typename Function>
FARPROC Exported(Function function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct Export {
    const char* library;
    const char* name;
    FARPROC function;
    bool (*present)();
};

bool Always() { return true; }
bool NtFamily() { return IsNt(); }
bool From2000() { return NtFrom(5, 0); }

const Export* FindExport(const std::string& library, const std::string& name) {
    static const Export exports[] = {
        {"kernel32.dll", "SetDefaultDllDirectories", Exported(SetDefaultDllDirectories),
         HasDefaultDllDirectories},
        {"kernel32.dll", "SetDllDirectoryA", Exported(SetDllDirectoryA), HasSetDllDirectory},
        {"kernel32.dll", "GetModuleFileNameW", Exported(GetModuleFileNameW), Always},
        {"kernel32.dll", "SetProcessMitigationPolicy", Exported(SetProcessMitigationPolicy),
         HasMitigationPolicies},
        {"advapi32.dll", "InitializeSecurityDescriptor", Exported(InitializeSecurityDescriptor),
         NtFamily},
        {"advapi32.dll", "InitializeAcl", Exported(InitializeAcl), NtFamily},
        {"advapi32.dll", "AddAccessAllowedAce", Exported(AddAccessAllowedAce), NtFamily},
        {"advapi32.dll", "AddAccessAllowedAceEx", Exported(AddAccessAllowedAceEx), From2000},
        {"advapi32.dll", "SetSecurityDescriptorDacl", Exported(SetSecurityDescriptorDacl),
         NtFamily},
        {"advapi32.dll", "SetSecurityDescriptorControl", Exported(SetSecurityDescriptorControl),
         From2000},
        {"advapi32.dll", "GetLengthSid", Exported(GetLengthSid), NtFamily},
        {"shell32.dll", "SHQueryRecycleBinA", Exported(SHQueryRecycleBinA), HasRecycleBinQuery},
        {"lz32.dll", "LZOpenFileA", Exported(LZOpenFileA), Always},
        {"lz32.dll", "LZCopy", Exported(LZCopy), Always},
        {"lz32.dll", "LZClose", Exported(LZClose), Always},
    };
    for (const Export& e : exports) {
        if (library == e.library && name == e.name && e.present()) return &e;
    }
    return nullptr;
}

std::string LibraryOf(HMODULE module) {
    for (const char* library : kLibraries) {
        if (SystemModule(library) == module) return library;
    }
    return std::string();
}

}  // namespace

void Machine::SetModuleUnicodeName(const std::wstring& name) {
    moduleUnicodeName = name;
    moduleFileName = BestFitText(name);
}

}  // namespace winsim

using namespace winsim;

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
    if (!fileName) return reinterpret_cast<HMODULE>(FailWith(ERROR_INVALID_PARAMETER));
    Record(std::string("load: ") + fileName);
    if (Faulted("LoadLibraryA", ERROR_MOD_NOT_FOUND)) return nullptr;
    const std::string name = LowerFileName(fileName);
    const std::string inSystem = Lower(M().systemFolder + "\\" + name);
    HMODULE module = SystemModule(name);
    if (!module || LibraryOf(module).empty() || Lower(fileName) != inSystem) {
        return reinterpret_cast<HMODULE>(FailWith(ERROR_MOD_NOT_FOUND));
    }
    Fs().libraries.push_back(fileName);
    return module;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    auto& loaded = Fs().libraries;
    for (auto it = loaded.begin(); it != loaded.end(); ++it) {
        if (SystemModule(LowerFileName(*it)) == module) {
            Record("free: " + *it);
            loaded.erase(it);
            return TRUE;
        }
    }
    return FailWith(ERROR_INVALID_HANDLE);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name) {
    if (!name) return reinterpret_cast<FARPROC>(FailWith(ERROR_INVALID_PARAMETER));
    const Export* found = FindExport(LibraryOf(module), name);
    const std::vector<std::string>& missing = M().missingExports;
    if (std::find(missing.begin(), missing.end(), name) != missing.end()) found = nullptr;
    if (!found) return reinterpret_cast<FARPROC>(FailWith(ERROR_PROC_NOT_FOUND));
    return found->function;
}

DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
    Machine& m = M();
    if (!IsNt()) return FailWith(ERROR_CALL_NOT_IMPLEMENTED);  // Windows 98's stub
    if (Faulted("GetModuleFileNameW", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    if (module && module != reinterpret_cast<HMODULE>(kModuleBase))
        return FailWith(ERROR_MOD_NOT_FOUND);
    std::wstring path = m.moduleUnicodeName;
    if (path.empty()) {
        for (char c : m.moduleFileName) path += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    if (size == 0) return FailWith(ERROR_INSUFFICIENT_BUFFER);
    if (!fileName) return FailWith(ERROR_NOACCESS);
    if (path.size() < size) {
        std::memcpy(fileName, path.c_str(), (path.size() + 1) * sizeof(WCHAR));
        return static_cast<DWORD>(path.size());
    }
    std::memcpy(fileName, path.data(), size * sizeof(WCHAR));
    m.lastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
}

DWORD WINAPI GetTickCount(void) { return M().tickCount; }

DWORD WINAPI GetCurrentProcessId(void) { return M().processId; }
