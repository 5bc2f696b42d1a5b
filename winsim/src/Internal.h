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

}  // namespace winsim

struct winsim::Machine::Impl {
    FileSystemState fs;
    RegistryState registry;
    Machine* previous = nullptr;  // the machine that was current before this one
};

#endif
