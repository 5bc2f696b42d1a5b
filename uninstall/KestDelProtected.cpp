// The folders the uninstaller must never remove. The folders it is told to remove
// come from its command line and from a registry value that anyone may write, so
// each one is checked against the system's own folders before anything is touched.
#include <windows.h>

#include <string>
#include <vector>

#include "KestDel.h"
#include "WinSys.h"
#include "WinSysHandles.h"

namespace {

const char* const CurrentVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const ShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// A string value read with query rights only, so that a user who may not change the
// key still reads it; empty when it is missing or not a string.
std::string ReadQueryString(HKEY root, const char* keyPath, const char* valueName) {
    RegistryKey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
        return "";
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return "";
    }
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) {
        return "";
    }
    std::string data(size, '\0');
    if (RegQueryValueExA(key.Get(), valueName, nullptr, &type, reinterpret_cast<LPBYTE>(&data[0]),
                         &size) != ERROR_SUCCESS) {
        return "";
    }
    data.resize(size);
    return data.substr(0, data.find('\0'));
}

// The text of a call that fills a buffer and answers the length, or the size it
// needs when the buffer is too small; empty when the call fails.
template <typename Call>
std::string ReadSystemText(Call call) {
    std::string buffer(MAX_PATH, '\0');
    DWORD length = call(&buffer[0], static_cast<DWORD>(buffer.size()));
    if (length >= buffer.size()) {
        buffer.assign(length + 1, '\0');
        length = call(&buffer[0], static_cast<DWORD>(buffer.size()));
    }
    if (length == 0 || length >= buffer.size()) {
        return "";
    }
    buffer.resize(length);
    return buffer;
}

std::string WindowsDirectory() {
    return ReadSystemText(
        [](LPSTR buffer, DWORD size) -> DWORD { return GetWindowsDirectoryA(buffer, size); });
}

std::string SystemDirectory() {
    return ReadSystemText(
        [](LPSTR buffer, DWORD size) -> DWORD { return GetSystemDirectoryA(buffer, size); });
}

std::string UserProfileFolder() {
    return ReadSystemText([](LPSTR buffer, DWORD size) -> DWORD {
        return GetEnvironmentVariableA("USERPROFILE", buffer, size);
    });
}

// A shell folder of the support library; a value of the wrong type in the registry
// only means that this folder is not known.
template <typename Lookup>
std::string KnownShellFolder(Lookup lookup) {
    try {
        return lookup();
    } catch (const KestError&) {
        return "";
    }
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A full path reduced to one comparable spelling: forward slashes as backslashes, no
// trailing backslash, and each name without the trailing dots and blanks that Windows
// drops. Empty when the path is relative, holds a name made only of dots or blanks
// (such as ".."), an empty name, a wildcard or a character no name may hold. The
// device paths beginning "\\?\" and "\\.\" fall under the same rules.
std::string NormalisedPath(const std::string& path, bool* isRoot) {
    std::string text = path;
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    if (text.find_first_of("*?\"<>|") != std::string::npos) {
        return "";
    }
    std::string prefix;
    std::string rest;
    int rootNames = 0;  // names that belong to the root: server and share of a UNC path
    const bool isDrive =
        text.size() >= 3 && IsDriveLetter(text[0]) && text[1] == ':' && text[2] == '\\';
    const bool isUnc = text.size() >= 3 && text[0] == '\\' && text[1] == '\\';
    if (isDrive) {
        prefix = text.substr(0, 2);
        rest = text.substr(3);
    } else if (isUnc) {
        prefix = "\\";
        rest = text.substr(2);
        rootNames = 2;
    } else {
        return "";
    }
    while (!rest.empty() && rest.back() == '\\') {
        rest.pop_back();
    }
    std::string result = prefix;
    int names = 0;
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos) {
            end = rest.size();
        }
        std::string name = rest.substr(start, end - start);
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
            name.pop_back();
        }
        if (name.empty()) {
            return "";
        }
        result += "\\" + name;
        names++;
        start = end + 1;
    }
    if (isUnc && names == 0) {
        return "";
    }
    *isRoot = names <= rootNames;
    return result;
}

std::string NormalisedFolder(const std::string& path) {
    bool isRoot = false;
    return NormalisedPath(path, &isRoot);
}

// The path in its long and in its short spelling (the same when the volume has no
// short names or the path does not exist).
std::vector<std::string> Spellings(const std::string& normalised) {
    std::vector<std::string> spellings(1, normalised);
    const std::string shortForm = NormalisedFolder(ShortPath(normalised));
    if (!shortForm.empty() && CompareNoCase(shortForm, normalised) != 0) {
        spellings.push_back(shortForm);
    }
    return spellings;
}

struct RegisteredFolder {
    HKEY root;
    const char* keyPath;
    const char* valueName;
};

// The system's registered folders: Program Files in both views of a 64-bit system,
// and the shell folders of all users and of this user that hold their desktop, start
// menu, start-up programs, documents and application data.
const RegisteredFolder RegisteredFolders[] = {
    {HKEY_LOCAL_MACHINE, CurrentVersionKey, "ProgramFilesDir"},
    {HKEY_LOCAL_MACHINE, CurrentVersionKey, "ProgramFilesDir (x86)"},
    {HKEY_LOCAL_MACHINE, CurrentVersionKey, "ProgramW6432Dir"},
    {HKEY_LOCAL_MACHINE, ShellFoldersKey, "Common Desktop"},
    {HKEY_LOCAL_MACHINE, ShellFoldersKey, "Common Programs"},
    {HKEY_LOCAL_MACHINE, ShellFoldersKey, "Common Startup"},
    {HKEY_LOCAL_MACHINE, ShellFoldersKey, "Common Documents"},
    {HKEY_LOCAL_MACHINE, ShellFoldersKey, "Common AppData"},
    {HKEY_CURRENT_USER, ShellFoldersKey, "Desktop"},
    {HKEY_CURRENT_USER, ShellFoldersKey, "Programs"},
    {HKEY_CURRENT_USER, ShellFoldersKey, "Startup"},
    {HKEY_CURRENT_USER, ShellFoldersKey, "Personal"},
    {HKEY_CURRENT_USER, ShellFoldersKey, "AppData"},
    {HKEY_CURRENT_USER, ShellFoldersKey, "Local AppData"},
};

std::vector<std::string> SystemFolders() {
    const std::string windows = WindowsDirectory();
    std::vector<std::string> folders;
    folders.push_back(windows);
    folders.push_back(SystemDirectory());
    if (!windows.empty()) {
        // The system's fonts, and the system folder of 32-bit programs on a 64-bit
        // system, which GetSystemDirectoryA does not name to this 32-bit program.
        folders.push_back(AddBackslash(windows) + "Fonts");
        folders.push_back(AddBackslash(windows) + "SysWOW64");
    }
    folders.push_back(UserProfileFolder());
    folders.push_back(KnownShellFolder(DesktopFolder));
    folders.push_back(KnownShellFolder(ProgramsFolder));
    for (const RegisteredFolder& folder : RegisteredFolders) {
        folders.push_back(ReadQueryString(folder.root, folder.keyPath, folder.valueName));
    }
    return folders;
}

// True when `outer` is `inner` or one of the folders around it.
bool IsSameOrHolds(const std::string& outer, const std::string& inner) {
    if (CompareNoCase(outer, inner) == 0) {
        return true;
    }
    return inner.size() > outer.size() && inner[outer.size()] == '\\' &&
           CompareNoCase(outer, inner.substr(0, outer.size())) == 0;
}

}  // namespace

bool IsProtectedFolder(const std::string& path) {
    bool isRoot = false;
    const std::string candidate = NormalisedPath(path, &isRoot);
    if (candidate.empty() || isRoot) {
        return true;
    }
    const std::vector<std::string> candidateSpellings = Spellings(candidate);
    for (const std::string& folder : SystemFolders()) {
        const std::string known = NormalisedFolder(folder);
        if (known.empty()) {
            continue;
        }
        for (const std::string& knownSpelling : Spellings(known)) {
            for (const std::string& candidateSpelling : candidateSpellings) {
                if (IsSameOrHolds(candidateSpelling, knownSpelling)) {
                    return true;
                }
            }
        }
    }
    return false;
}
