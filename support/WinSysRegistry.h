// Registry access through short-lived accessors, and the installed program as its
// uninstall entry names it.
#ifndef KEST_SUPPORT_WINSYSREGISTRY_H
#define KEST_SUPPORT_WINSYSREGISTRY_H

#include <windows.h>

#include <string>

#include "WinSys.h"

// ---------------------------------------------------------------------------
// Registry access and installed-program lookup.
// Short-lived accessor: one root, at most one open key, KEY_ALL_ACCESS for every
// open, closed without flush. Key paths are taken from the root.
class RegistryAccessor {
public:
    explicit RegistryAccessor(HKEY root = HKEY_CURRENT_USER);
    RegistryAccessor(const RegistryAccessor&) = delete;
    RegistryAccessor& operator=(const RegistryAccessor&) = delete;

    bool OpenKey(const std::string& keyPath, bool mayCreate);
    // Opens for reading only, so that a user who may not change the key reads it.
    bool OpenKeyToRead(const std::string& keyPath);
    StringList ValueNames();                               // the names of the open key's values
    std::string ReadString(const std::string& valueName);  // may raise RegistryError
    void WriteString(const std::string& valueName, const std::string& text);
    void CloseKey();

private:
    HKEY root_;
    RegistryKey current_;
};

// Deletes the key (a path from the root) with all its sub-keys; a key that is missing
// or cannot be deleted is passed over in silence.
void DeleteRegistryKey(const std::string& keyPath, bool machineWide);
// Deletes one value of a key; a value or key that is missing or cannot be changed is
// passed over in silence.
void DeleteRegistryValue(const std::string& valueName, const std::string& keyPath, HKEY root);
std::string ReadRegistryString(const std::string& valueName, const std::string& keyPath, HKEY root);
// A string value read with reading rights only; empty when the key or value is missing
// or the value is no string. Nothing is logged or raised.
std::string TryReadRegistryString(const std::string& valueName, const std::string& keyPath,
                                  HKEY root);
// Every string value of a key, read so.
StringList TryReadRegistryStrings(const std::string& keyPath, HKEY root);
// The names of a key's sub-keys, read so; empty when the key cannot be read.
StringList TryReadRegistrySubKeys(const std::string& keyPath, HKEY root);
bool RegistryWrite(const std::string& valueName, const std::string& valueText,
                   const std::string& keyPath, HKEY root);
std::string ReadUninstallValue(const std::string& valueName);
bool AddRunOnceCommand(const std::string& valueName, const std::string& command);
std::string FontsKeyPath();
std::string InstalledProgramFolder();
std::string InstalledDataFolder();

#endif
