// Registry access through short-lived accessors, and the lookup of the installed
// program from its uninstall entry.
#include "WinSysRegistry.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ProductNames.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysHandles.h"

namespace {

// Key paths are written from the root, with or without the leading backslash.
std::string FromRoot(const std::string& keyPath) {
    return !keyPath.empty() && keyPath[0] == '\\' ? keyPath.substr(1) : keyPath;
}

// Registry key names have at most 255 characters, 510 bytes in a double-byte code page.
const std::size_t LongestKeyNameBytes = 1024;

// The name of sub-key `index`. The system's count of the longest name is in
// characters: a double-byte name needs more bytes, and the buffer grows until it fits.
bool SubKeyName(HKEY key, DWORD index, std::vector<char>& buffer, std::string& name) {
    for (;;) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG status =
            RegEnumKeyExA(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA && buffer.size() < LongestKeyNameBytes) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != ERROR_SUCCESS || length >= buffer.size()) {
            return false;  // a name that cannot be fetched is passed over
        }
        name.assign(buffer.data(), length);
        return true;
    }
}

bool DeleteKeyTree(HKEY parent, const std::string& subKey);

// The NT family refuses to delete a key that has sub-keys: they go first, the
// last-enumerated one first, so that the indices still to come stay valid.
void DeleteSubKeys(HKEY key) {
    DWORD subKeyCount = 0;
    DWORD longestName = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeyCount, &longestName, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return;
    }
    std::vector<char> buffer(static_cast<std::size_t>(longestName) + 1);
    for (DWORD index = subKeyCount; index-- > 0;) {
        std::string name;
        if (SubKeyName(key, index, buffer, name)) {
            DeleteKeyTree(key, name);
        }
    }
}

// Deletes `subKey` below `parent` with every key below it.
bool DeleteKeyTree(HKEY parent, const std::string& subKey) {
    if (subKey.empty()) {
        return false;  // an empty name stands for the parent itself
    }
    {
        RegistryKey key;
        if (RegOpenKeyExA(parent, subKey.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) ==
            ERROR_SUCCESS) {
            DeleteSubKeys(key.Get());
        }
    }
    return RegDeleteKeyA(parent, subKey.c_str()) == ERROR_SUCCESS;
}

}  // namespace

// ---------------------------------------------------------------------------
// Accessor.

RegistryAccessor::RegistryAccessor(HKEY root) : root_(root) {}

bool RegistryAccessor::OpenKey(const std::string& keyPath, bool mayCreate) {
    const std::string path = FromRoot(keyPath);
    RegistryKey key;
    LONG status;
    if (mayCreate && !path.empty()) {
        DWORD disposition = 0;
        status = RegCreateKeyExA(root_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, key.Receive(), &disposition);
    } else {
        status = RegOpenKeyExA(root_, path.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    current_.Reset(key.Release());
    return true;
}

bool RegistryAccessor::OpenKeyToRead(const std::string& keyPath) {
    RegistryKey key;
    if (RegOpenKeyExA(root_, FromRoot(keyPath).c_str(), 0, KEY_READ, key.Receive()) !=
        ERROR_SUCCESS) {
        return false;
    }
    current_.Reset(key.Release());
    return true;
}

StringList RegistryAccessor::ValueNames() {
    StringList names;
    DWORD count = 0;
    DWORD longestName = 0;
    if (!current_.IsOpen() ||
        RegQueryInfoKeyA(current_.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &count, &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return names;
    }
    std::vector<char> name(static_cast<std::size_t>(longestName) + 1);
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueA(current_.Get(), index, name.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS ||
            length >= name.size()) {
            continue;  // a name that cannot be fetched is passed over
        }
        names.push_back(std::string(name.data(), length));
    }
    return names;
}

std::string RegistryAccessor::ReadString(const std::string& valueName) {
    if (!current_.IsOpen()) {
        return std::string();
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(current_.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0) {
        return std::string();
    }
    // Stored data need not end with a NUL: one more byte, always zero, ends it here.
    std::vector<BYTE> data(static_cast<std::size_t>(size) + 1, 0);
    DWORD filled = size;
    if (RegQueryValueExA(current_.Get(), valueName.c_str(), nullptr, &type, data.data(), &filled) !=
        ERROR_SUCCESS) {
        throw RegistryError("Failed to get data for '" + valueName + "'");
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        throw RegistryError("Invalid data type for '" + valueName + "'");
    }
    const char* text = reinterpret_cast<const char*>(data.data());
    const char* end = text + std::min(filled, size);
    return std::string(text, std::find(text, end, '\0'));
}

void RegistryAccessor::WriteString(const std::string& valueName, const std::string& text) {
    if (!current_.IsOpen() ||
        RegSetValueExA(current_.Get(), valueName.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS) {
        throw RegistryError("Failed to set data for '" + valueName + "'");
    }
}

// Closed, never flushed: the system writes the key back in its own time.
void RegistryAccessor::CloseKey() { current_.Close(); }

// ---------------------------------------------------------------------------
// Routines.

void DeleteRegistryKey(const std::string& keyPath, bool machineWide) {
    DeleteKeyTree(machineWide ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, FromRoot(keyPath));
}

void DeleteRegistryValue(const std::string& valueName, const std::string& keyPath, HKEY root) {
    RegistryKey key;
    if (RegOpenKeyExA(root, FromRoot(keyPath).c_str(), 0, KEY_ALL_ACCESS, key.Receive()) !=
        ERROR_SUCCESS) {
        return;
    }
    // A missing value is nothing to do; one that stays is passed over like a key.
    IgnoreResult(RegDeleteValueA(key.Get(), valueName.c_str()));
}

std::string ReadRegistryString(const std::string& valueName, const std::string& keyPath,
                               HKEY root) {
    RegistryAccessor registry(root);
    if (!registry.OpenKey(keyPath, false)) {
        WriteLog("Registry Open Failed for Key: " + valueName);
        return std::string();
    }
    const std::string text = registry.ReadString(valueName);
    registry.CloseKey();
    return text;
}

std::string TryReadRegistryString(const std::string& valueName, const std::string& keyPath,
                                  HKEY root) {
    RegistryAccessor registry(root);
    if (!registry.OpenKeyToRead(keyPath)) {
        return std::string();
    }
    try {
        return registry.ReadString(valueName);
    } catch (const RegistryError&) {
        return std::string();
    }
}

StringList TryReadRegistryStrings(const std::string& keyPath, HKEY root) {
    StringList texts;
    RegistryAccessor registry(root);
    if (!registry.OpenKeyToRead(keyPath)) {
        return texts;
    }
    for (const std::string& name : registry.ValueNames()) {
        try {
            texts.push_back(registry.ReadString(name));
        } catch (const RegistryError&) {
            // A value that is no string names no folder.
        }
    }
    return texts;
}

StringList TryReadRegistrySubKeys(const std::string& keyPath, HKEY root) {
    StringList names;
    RegistryKey key;
    if (RegOpenKeyExA(root, FromRoot(keyPath).c_str(), 0, KEY_READ, key.Receive()) !=
        ERROR_SUCCESS) {
        return names;
    }
    DWORD count = 0;
    DWORD longestName = 0;
    if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &count, &longestName, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return names;
    }
    std::vector<char> buffer(static_cast<std::size_t>(longestName) + 1);
    for (DWORD index = 0; index < count; ++index) {
        std::string name;
        if (SubKeyName(key.Get(), index, buffer, name)) {
            names.push_back(name);
        }
    }
    return names;
}

bool RegistryWrite(const std::string& valueName, const std::string& valueText,
                   const std::string& keyPath, HKEY root) {
    const std::string entry = valueName + " Value: " + Quoted(valueText);
    bool isWritten = false;
    {
        RegistryAccessor registry(root);
        try {
            if (registry.OpenKey(keyPath, true)) {
                registry.WriteString(valueName, valueText);
                registry.CloseKey();
                WriteLog("Registry Updated for Key: " + entry);
                isWritten = true;
            } else if (root == HKEY_LOCAL_MACHINE) {
                WriteLog("Registry Update Open Failed for Key: " + entry);
            }
        } catch (...) {
            // Every failure ends in the box below.
        }
    }
    if (!isWritten) {
        MessageBoxA(nullptr, ("Registry Write Failed for Key: " + entry).c_str(), "RegistryWrite",
                    MB_OK);
    }
    return isWritten;
}

std::string ReadUninstallValue(const std::string& valueName) {
    const std::string text = ReadRegistryString(valueName, UninstallKeyPath, HKEY_CURRENT_USER);
    if (!text.empty()) {
        return text;
    }
    try {
        return ReadRegistryString(valueName, UninstallKeyPath, HKEY_LOCAL_MACHINE);
    } catch (...) {
        return std::string();
    }
}

bool AddRunOnceCommand(const std::string& valueName, const std::string& command) {
    const std::string text = DetectWindowsVersion() ? "cmd.exe /c " + Quoted(command) : command;
    return RegistryWrite(valueName, text, RunOnceKeyPath, HKEY_LOCAL_MACHINE);
}

std::string FontsKeyPath() { return DetectWindowsVersion() ? FontsKeyPathNT : FontsKeyPath9x; }

namespace {

// The registered uninstall command up to the uninstaller's file name, and from there
// on. Many installers write the program's path in double quotes: the opening quote
// belongs to no folder.
void SplitUninstallCommand(std::string& folder, std::string& rest) {
    const std::string command = ReadUninstallValue("UninstallString");
    const std::size_t position = static_cast<std::size_t>(PosText(UninstallerFileName, command));
    const std::size_t cut = position == 0 ? 0 : position - 1;
    folder = command.substr(0, cut);
    rest = command.substr(cut);
    if (!folder.empty() && folder[0] == '"') {
        folder.erase(0, 1);
    }
}

}  // namespace

std::string InstalledProgramFolder() {
    std::string folder;
    std::string rest;
    SplitUninstallCommand(folder, rest);
    return folder;
}

std::string InstalledDataFolder() {
    std::string folder;
    std::string rest;
    SplitUninstallCommand(folder, rest);
    // The program folder may hold blanks without quotes: it is cut off before tokenising.
    return ExtractToken(rest, 4);
}
