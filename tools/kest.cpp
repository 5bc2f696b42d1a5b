// Stand-in for the product's main program (Kest.Exe, kest.exe) in end-to-end tests.
// It records how it was started, one line "<command line>\t<current folder>" appended to
// the file named by KEST_STANDIN_LOG (default C:\standin.log), and ends with exit code 0.
// It shows nothing.
//
// With KEST_STANDIN_ACTS=1 it also acts as the product would, for the demo's story:
//   Kest.Exe "<source folder>"  plays the product's setup: installs the product from that medium
//                               (program folder, fonts with Fonts.Reg, data folder, shortcuts,
//                               the uninstall entry);
//   Kest.Exe                    loads the data modules that AutoLoad.Lst names into the data
//                               folder (the list stays: the launcher replaces it next time).
// Any other command line ("/unregserver") is only recorded. A step that fails gives exit code 4.
#include <objidl.h>
#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "WinSysHandles.h"

namespace {

const char* const DefaultLogPath = "C:\\standin.log";
const int OpenAttempts = 200;  // another stand-in may hold the log for a moment
const DWORD RetryMilliseconds = 50;
const int ActFailedCode = 4;

// What the product's setup chooses; the names the uninstall command carries.
const char* const ProductFolderName = "Tessaly";
const char* const DataFolder = "C:\\Tessaly Data\\";
const char* const ExtraFolder = "C:\\Tessaly Extra\\";
const char* const DisplayName = "Tessaly 9.0";
const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaly";
const char* const MediumSubFolder = "kest\\win32\\";

std::string Variable(const char* name) {
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return std::string();
    return std::string(value, length);
}

std::string LogPath() {
    std::string path = Variable("KEST_STANDIN_LOG");
    return path.empty() ? DefaultLogPath : path;
}

std::string CurrentFolder() {
    char folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return "?";
    return std::string(folder, length);
}

HANDLE OpenLog(const std::string& path) {
    for (int attempt = 0; attempt < OpenAttempts; ++attempt) {
        HANDLE log = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE) return log;
        if (GetLastError() != ERROR_SHARING_VIOLATION) break;
        Sleep(RetryMilliseconds);
    }
    return INVALID_HANDLE_VALUE;
}

bool AppendLine(const std::string& path, const std::string& line) {
    KernelHandle log(OpenLog(path));
    if (!log.IsValid()) return false;
    DWORD written = 0;
    return SetFilePointer(log.Get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
           WriteFile(log.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

// -- Acting as the product -------------------------------------------------------------------

// The command line after the program's own name, without surrounding quotes or blanks.
std::string Argument() {
    const char* p = GetCommandLineA();
    bool quoted = false;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
        if (*p == '"') quoted = !quoted;
    }
    std::string rest(p);
    rest.erase(0, rest.find_first_not_of(" \t"));
    rest.erase(rest.find_last_not_of(" \t") + 1);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') {
        rest = rest.substr(1, rest.size() - 2);
    }
    return rest;
}

bool EndsWithNoCase(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           lstrcmpiA(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('\\') + 1); }

std::string OwnPath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return std::string();
    return std::string(path, length);
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) return std::string();
    return std::string(path) + "\\";
}

bool IsNT() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool MakeFolder(const std::string& folder) {
    return CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteText(const std::string& path, const std::string& text) {
    KernelHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.IsValid() &&
           WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::string ReadText(const std::string& path) {
    KernelHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (file.IsValid() && ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got) {
        text.append(buffer, got);
    }
    return text;
}

// Names of the files (not folders) in a folder.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    DirectorySearch search(folder + "*", entry);
    if (!search.Found()) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    } while (search.Next(entry));
    return names;
}

// A shell link to `target`, saved at `link`.
bool MakeShortcut(const std::string& link, const std::string& target) {
    IShellLinkA* shell = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell)))) {
        return false;
    }
    IPersistFile* file = nullptr;
    bool saved = false;
    if (SUCCEEDED(shell->SetPath(target.c_str())) &&
        SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        std::wstring wide(link.begin(), link.end());
        saved = SUCCEEDED(file->Save(wide.c_str(), TRUE));
        file->Release();
    }
    shell->Release();
    return saved;
}

bool SetValue(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

// The uninstall entry in its documented form: the program folder unquoted, KestDel.Exe, then
// the start-menu folder, the shortcut name, the data folder and a further folder.
bool RegisterUninstall(const std::string& programFolder) {
    std::string command = programFolder + "KestDel.Exe " + ProductFolderName + " " +
                          ProductFolderName + " \"" + DataFolder + "\" \"" + ExtraFolder + "\"";
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return SetValue(key.Get(), "DisplayName", DisplayName) &&
           SetValue(key.Get(), "UninstallString", command);
}

// Copies the medium's fonts ("Fonts\" beside the installation files) and lists them in Fonts.Reg.
bool InstallFonts(const std::string& source, const std::string& programFolder) {
    std::string fonts = programFolder + "Fonts\\";
    bool ok = MakeFolder(fonts);
    std::string list;
    for (const std::string& name : FilesIn(source + "Fonts\\")) {
        ok = CopyFileA((source + "Fonts\\" + name).c_str(), (fonts + name).c_str(), FALSE) && ok;
        std::string face = name.substr(0, name.rfind('.'));
        list += "\"" + face + " (TrueType)\" \"" + fonts + name + "\"\r\n";
    }
    return WriteText(fonts + "Fonts.Reg", list) && ok;
}

bool InstallShortcuts(const std::string& program) {
    std::string desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    // Outside the NT family the start menu is the user's own.
    std::string programs = ShellFolder(IsNT() ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
    if (desktop.empty() || programs.empty()) return false;
    std::string menu = programs + ProductFolderName + "\\";
    if (FAILED(CoInitialize(nullptr))) return false;
    bool ok = MakeShortcut(desktop + ProductFolderName + ".Lnk", program) && MakeFolder(menu) &&
              MakeShortcut(menu + ProductFolderName + ".Lnk", program);
    CoUninitialize();
    return ok;
}

// The product's setup, started by the launcher with the source folder.
bool InstallFrom(std::string source) {
    if (!source.empty() && source.back() != '\\') source += '\\';
    std::string medium = source;
    if (EndsWithNoCase(medium, MediumSubFolder)) {
        medium.resize(medium.size() - lstrlenA(MediumSubFolder));
    }
    std::string programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
    if (programFiles.empty()) return false;
    std::string programFolder = programFiles + ProductFolderName + "\\";
    std::string own = OwnPath();
    bool ok =
        MakeFolder(programFolder) &&
        CopyFileA(own.c_str(), (programFolder + "Kest.Exe").c_str(), FALSE) &&
        CopyFileA((FolderOf(own) + "Rapi.DLL").c_str(), (programFolder + "RApi.Dll").c_str(),
                  FALSE) &&
        CopyFileA((medium + "Setup.exe").c_str(), (programFolder + "KestDel.Exe").c_str(), FALSE);
    // Everything stored uncompressed on the medium: the message, the modules.
    for (const std::string& name : FilesIn(source)) {
        if (name.back() == '_') continue;
        ok = CopyFileA((source + name).c_str(), (programFolder + name).c_str(), FALSE) && ok;
    }
    ok = InstallFonts(source, programFolder) && ok;
    ok = MakeFolder(DataFolder) && MakeFolder(std::string(DataFolder) + "Notes\\") && ok;
    ok = MakeFolder(ExtraFolder) && ok;
    ok = InstallShortcuts(programFolder + "Kest.Exe") && ok;
    return RegisterUninstall(programFolder) && ok;
}

// The installed program: loads the modules AutoLoad.Lst names, from the data folder or from its
// own folder, into the data folder.
bool LoadModules() {
    std::string list = std::string(DataFolder) + "AutoLoad.Lst";
    if (GetFileAttributesA(list.c_str()) == INVALID_FILE_ATTRIBUTES) {
        list = FolderOf(OwnPath()) + "AutoLoad.Lst";
    }
    std::string text = ReadText(list);
    if (text.empty()) return true;  // nothing to load
    bool ok = true;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string module = text.substr(start, end - start);
        start = end + 2;
        if (module.empty() || module == "Setup 2.0") continue;
        std::string name = module.substr(module.rfind('\\') + 1);
        ok = CopyFileA(module.c_str(), (std::string(DataFolder) + name).c_str(), FALSE) && ok;
    }
    return ok;
}

bool Act() {
    std::string argument = Argument();
    if (argument.empty()) return LoadModules();
    if (argument[0] == '/') return true;  // "/unregserver": nothing of its own to unregister
    return InstallFrom(argument);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::string line = std::string(GetCommandLineA()) + "\t" + CurrentFolder() + "\r\n";
    // A stand-in that cannot record its start must not pass for one that did.
    if (!AppendLine(LogPath(), line)) return 3;
    if (Variable("KEST_STANDIN_ACTS") == "1" && !Act()) return ActFailedCode;
    return 0;
}
