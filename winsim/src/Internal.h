// Shared internals of the simulated Windows.
#ifndef WINSIM_INTERNAL_H
#define WINSIM_INTERNAL_H

#include <winsim/Machine.h>

#include <string>

#include "FileSystem.h"
#include "Registry.h"

namespace winsim {

Machine& M();                             // the current machine; aborts when there is none
void Record(const std::string& line);     // appends a transcript line
std::string Lower(const std::string& s);  // the ANSI lower-casing of CharLowerBuffA
std::string Upper(const std::string& s);  // its counterpart
std::string RootName(HKEY root);          // "HKLM", "HKCU", ...
// The gate of every call that can fail: counts the call and answers true when the
// machine's fault plan makes this one fail. Then the last-error code is `error`;
// 0 leaves it alone (the registry calls answer their error instead).
bool Faulted(const char* call, DWORD error);

// Set-up of a fresh machine's drives and folders (files part).
void InitDefaultFiles(Machine& machine);
// Closes a handle of the security part (tokens); false when the handle is not one.
bool CloseTokenHandle(HANDLE handle);
// Set-up of a fresh machine's registry roots and system message texts (system part).
void InitRegistry(Machine& machine);
std::map<DWORD, std::string> DefaultMessageTexts();
// The transcript form of a registry value: strings up to their NUL, a DWORD in
// decimal, anything else as "hex:" and comma-separated byte pairs.
std::string ValueText(DWORD type, const std::string& data);
// The security-descriptor functions that the system looks up at run time in advapi32.
BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision);
BOOL WINAPI InitializeAcl(PACL acl, DWORD length, DWORD revision);
BOOL WINAPI AddAccessAllowedAce(PACL acl, DWORD revision, DWORD mask, PSID sid);
BOOL WINAPI AddAccessAllowedAceEx(PACL acl, DWORD revision, DWORD flags, DWORD mask, PSID sid);
BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL present, PACL acl,
                                      BOOL defaulted);
BOOL WINAPI SetSecurityDescriptorControl(PSECURITY_DESCRIPTOR descriptor,
                                         SECURITY_DESCRIPTOR_CONTROL mask,
                                         SECURITY_DESCRIPTOR_CONTROL bits);
DWORD WINAPI GetLengthSid(PSID sid);
// A system library (kernel32, user32, advapi32, shell32, lz32, ntdll) by its lower-case
// file name ("lz32.dll"); null for any other.
HMODULE SystemModule(const std::string& lowerName);
// The access list of a security descriptor as Machine::Access shows it.
std::vector<std::string> AccessLines(const SECURITY_DESCRIPTOR& descriptor);
// The best-fit ANSI form of a Unicode text (as GetModuleFileNameA gives a module's name).
std::string BestFitText(const std::wstring& text);

}  // namespace winsim

struct winsim::Machine::Impl {
    FileSystemState fs;
    RegistryState registry;
    Machine* previous = nullptr;  // the machine that was current before this one
};

#endif
