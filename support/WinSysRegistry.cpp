// Registry access through short-lived accessors, and the lookup of the installed
// program from its uninstall entry.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Tools.h"
#include "WinSys.h"
#include "WinSysHandles.h"

const char* const UninstallKeyPath =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaly";
const char* const RunOnceKeyPath = "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char* const ProductKeyPath = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Tessaly";

namespace {

const char* const NtFontsKeyPath = "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char* const FontsKeyPath9x = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Fonts";

bool IsFromRoot(const std::string& keyPath) { return !keyPath.empty() && keyPath[0] == '\\'; }

std::string WithoutLeadingBackslash(const std::string& keyPath) {
    return IsFromRoot(keyPath) ? keyPath.substr(1) : keyPath;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

// ---------------------------------------------------------------------------
// Accessor.

RegistryAccessor::RegistryAccessor(HKEY root) : root_(root) {}

RegistryAccessor::~RegistryAccessor() { CloseKey(); }

bool RegistryAccessor::OpenKey(const std::string& keyPath, bool mayCreate) {
    const std::string relative = WithoutLeadingBackslash(keyPath);
    // A path without a leading backslash is taken from the key open now.
    const HKEY base = IsFromRoot(keyPath) || current_ == nullptr ? root_ : current_;
    RegistryKey key;
    LONG status;
    if (mayCreate && !relative.empty()) {
        DWORD disposition = 0;
        status = RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, key.Receive(), &disposition);
    } else {
        status = RegOpenKeyExA(base, relative.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
    }
    if (status != ERROR_SUCCESS) {
        return false;
    }
    const std::string path = base == root_ ? relative : currentPath_ + "\\" + relative;
    CloseKey();
    current_ = key.Release();
    currentPath_ = path;
    return true;
}

bool RegistryAccessor::OpenKeyToRead(const std::string& keyPath) {
    const std::string relative = WithoutLeadingBackslash(keyPath);
    const HKEY base = IsFromRoot(keyPath) || current_ == nullptr ? root_ : current_;
    RegistryKey key;
    if (RegOpenKeyExA(base, relative.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) {
        return false;
    }
    const std::string path = base == root_ ? relative : currentPath_ + "\\" + relative;
    CloseKey();
    current_ = key.Release();
    currentPath_ = path;
    return true;
}

StringList RegistryAccessor::ValueNames() {
    StringList names;
    DWORD count = 0;
    DWORD longestName = 0;
    if (current_ == nullptr ||
        RegQueryInfoKeyA(current_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return names;
    }
    std::vector<char> name(static_cast<std::size_t>(longestName) + 1);
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueA(current_, index, name.data(), &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS ||
            length >= name.size()) {
            continue;  // a name that cannot be fetched is passed over
        }
        names.push_back(std::string(name.data(), length));
    }
    return names;
}

std::string RegistryAccessor::ReadString(const std::string& valueName) {
    if (current_ == nullptr) {
        return std::string();
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(current_, valueName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0) {
        return std::string();
    }
    // Stored data need not end with a NUL: one more byte, always zero, ends it here.
    std::vector<BYTE> data(static_cast<std::size_t>(size) + 1, 0);
    DWORD filled = size;
    if (RegQueryValueExA(current_, valueName.c_str(), nullptr, &type, data.data(), &filled) !=
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
    if (current_ == nullptr ||
        RegSetValueExA(current_, valueName.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS) {
        throw RegistryError("Failed to set data for '" + valueName + "'");
    }
}

void RegistryAccessor::CloseKey() {
    if (current_ != nullptr) {
        // Closed, never flushed: the system writes the key back in its own time.
        RegCloseKey(current_);
    }
    current_ = nullptr;
    currentPath_.clear();
}

bool RegistryAccessor::DeleteKey(const std::string& keyPath) {
    const std::string relative = WithoutLeadingBackslash(keyPath);
    if (relative.empty()) {
        // An empty name would stand for the base key itself and take every key below it.
        return false;
    }
    const HKEY base = IsFromRoot(keyPath) || current_ == nullptr ? root_ : current_;
    RegistryKey key;
    if (RegOpenKeyExA(base, relative.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) == ERROR_SUCCESS) {
        // The NT family refuses to delete a key that has subkeys: delete them first,
        // the last-enumerated one first, so that the indices still to come stay valid.
        const HKEY savedKey = current_;
        const std::string savedPath = currentPath_;
        current_ = key.Get();
        currentPath_ = base == root_ ? relative : savedPath + "\\" + relative;
        DWORD subKeyCount = 0;
        DWORD longestName = 0;
        if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subKeyCount, &longestName,
                             nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr) == ERROR_SUCCESS) {
            std::vector<char> name(static_cast<std::size_t>(longestName) + 1);
            for (DWORD index = subKeyCount; index-- > 0;) {
                DWORD length = static_cast<DWORD>(name.size());
                if (RegEnumKeyExA(key.Get(), index, name.data(), &length, nullptr, nullptr, nullptr,
                                  nullptr) != ERROR_SUCCESS ||
                    length >= name.size()) {
                    continue;  // a name that cannot be fetched is passed over
                }
                DeleteKey(std::string(name.data(), length));
            }
        }
        current_ = savedKey;
        currentPath_ = savedPath;
        key.Close();
    }
    return RegDeleteKeyA(base, relative.c_str()) == ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// Routines.

void DeleteRegistryKey(const std::string& keyPath, bool machineWide) {
    RegistryAccessor registry(machineWide ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER);
    registry.DeleteKey(keyPath.empty() ? std::string(UninstallKeyPath) : keyPath);
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

std::string ReadRegistryText(const std::string& valueName, const std::string& keyPath, HKEY root) {
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

StringList ReadRegistryTexts(const std::string& keyPath, HKEY root) {
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

std::string FontsKeyPath() { return DetectWindowsVersion() ? NtFontsKeyPath : FontsKeyPath9x; }

std::string InstalledProgramFolder() {
    const std::string command = ReadUninstallValue("UninstallString");
    const int position = PosText("KestDel.Exe", command);
    if (position <= 1) {
        return std::string();
    }
    return command.substr(0, static_cast<std::size_t>(position) - 1);
}

std::string InstalledDataFolder() {
    std::string command = ReadUninstallValue("UninstallString");
    const std::string programFolder = InstalledProgramFolder();
    // The program folder may hold blanks without quotes: cut it off before tokenising.
    command.erase(0, std::min(programFolder.size(), command.size()));
    return ExtractToken(command, 4);
}
