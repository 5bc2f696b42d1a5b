// Test probe: calls one support routine, or one raw platform helper, by name and writes the
// outcome to a report file.
//
//   probe.exe <report> <routine> <argument>...
//
// The report's first line is "ok" or "error: <type>: <message>" (an exception that left the
// routine); the result follows, one item a line, escaped as ToolText.h describes. Arguments
// are unescaped the same way, so a test can pass line breaks. Routines:
//   ShortPath <path>                 GetShortPathName <path>   (the platform's answer, or empty)
//   ProgramArgument <n>              CommandLine
//   MoveToRecycleBin <path>          DeleteRegistryKey <key path> <1|0>
//   LoadListFile <file>              SaveListFile <file> <line>...
//   IsWritableFolder <folder>        FileIsPresent <name>
//   WindowsVersion                   (major, minor, build, platform id)
//   RegSet <key> <name> <text>...    (REG_SZ values; keys are created when missing)
//   RegSetDword <key> <name> <number> (a REG_DWORD value)
//   RegTree <key>                    ("missing", or "key: <sub path>" and
//                                     "value: <sub path> | <name> | <type> | <data>" lines)
//   MessageBox <caption> <text> <style>  (the box's answer)
//   WinExec <command line>           (WinExec's result; the program is not waited for)
//   GetFileAttributes <path>         (the attribute bits as a number, or "missing")
//   Replay <table file>              (each case of a table of system calls, tools/Replay.h:
//                                     "<line> <answer>")
// A <key> begins with its root, HKLM or HKCU: HKLM\Software\Tessaly. Booleans are written "true" or
// "false".
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Errors.h"
#include "Replay.h"
#include "ToolText.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysFiles.h"
#include "WinSysHandles.h"
#include "WinSysRegistry.h"

namespace {

typedef std::vector<std::string> Arguments;
typedef std::vector<std::string> Lines;

class UsageError : public KestError {
public:
    explicit UsageError(const std::string& message) : KestError(message) {}
    const char* TypeName() const override { return "UsageError"; }
};

const std::string& Argument(const Arguments& arguments, size_t index) {
    if (index >= arguments.size()) throw UsageError("missing argument " + std::to_string(index));
    return arguments[index];
}

std::string Bool(bool value) { return value ? "true" : "false"; }

// -- Raw registry helpers ------------------------------------------------------------------

HKEY RootKey(const std::string& name) {
    if (name == "HKLM" || name == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (name == "HKCU" || name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    throw UsageError("unknown root " + name);
}

std::string JoinKey(const std::string& path, const std::string& name) {
    return path.empty() ? name : path + "\\" + name;
}

std::string ValueData(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::string text(data.begin(), data.end());
        return text.substr(0, text.find('\0'));
    }
    if (type == REG_DWORD && data.size() >= 4) {
        DWORD number =
            data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24);
        return std::to_string(number);
    }
    return std::string(data.begin(), data.end());
}

void ListValues(HKEY key, const std::string& path, Lines& lines) {
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameLength = sizeof name;
        BYTE data[65536];
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        LONG status =
            RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataLength);
        if (status == ERROR_NO_MORE_ITEMS) return;
        if (status != ERROR_SUCCESS) throw KestError("RegEnumValue " + std::to_string(status));
        lines.push_back("value: " + Escape(path) + " | " + Escape(std::string(name, nameLength)) +
                        " | " + std::to_string(type) + " | " +
                        Escape(ValueData(type, std::vector<BYTE>(data, data + dataLength))));
    }
}

void ListTree(HKEY key, const std::string& path, Lines& lines) {
    lines.push_back("key: " + Escape(path));
    ListValues(key, path, lines);
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        LONG status =
            RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return;
        if (status != ERROR_SUCCESS) throw KestError("RegEnumKeyEx " + std::to_string(status));
        RegistryKey subkey;
        status = RegOpenKeyExA(key, name, 0, KEY_READ, subkey.Receive());
        if (status != ERROR_SUCCESS) throw KestError("RegOpenKeyEx " + std::to_string(status));
        ListTree(subkey.Get(), JoinKey(path, std::string(name, nameLength)), lines);
    }
}

// Root and key path of a full key name such as HKLM\Software\Tessaly.
HKEY SplitKey(const std::string& fullKey, std::string& path) {
    size_t slash = fullKey.find('\\');
    path = slash == std::string::npos ? std::string() : fullKey.substr(slash + 1);
    return RootKey(fullKey.substr(0, slash));
}

Lines RegTree(const Arguments& a) {
    std::string path;
    HKEY root = SplitKey(Argument(a, 0), path);
    RegistryKey key;
    LONG status = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Receive());
    if (status == ERROR_FILE_NOT_FOUND) return {"missing"};
    if (status != ERROR_SUCCESS) throw KestError("RegOpenKeyEx " + std::to_string(status));
    Lines lines;
    ListTree(key.Get(), "", lines);
    return lines;
}

void SetValue(const std::string& fullKey, const std::string& name, DWORD type, const BYTE* data,
              DWORD size) {
    std::string path;
    HKEY root = SplitKey(fullKey, path);
    RegistryKey key;
    LONG status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr);
    if (status != ERROR_SUCCESS) throw KestError("RegCreateKeyEx " + std::to_string(status));
    status = RegSetValueExA(key.Get(), name.c_str(), 0, type, data, size);
    if (status != ERROR_SUCCESS) throw KestError("RegSetValueEx " + std::to_string(status));
}

void SetString(const std::string& fullKey, const std::string& name, const std::string& text) {
    SetValue(fullKey, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
             static_cast<DWORD>(text.size() + 1));
}

// A value of the wrong type for a reader that expects text.
Lines RegSetDword(const Arguments& a) {
    DWORD value = static_cast<DWORD>(std::stoul(Argument(a, 2)));
    SetValue(Argument(a, 0), Argument(a, 1), REG_DWORD, reinterpret_cast<const BYTE*>(&value),
             sizeof value);
    return {};
}

Lines RegSet(const Arguments& a) {
    if (a.empty() || a.size() % 3 != 0) throw UsageError("RegSet takes key, name, text triples");
    for (size_t i = 0; i < a.size(); i += 3) SetString(a[i], a[i + 1], a[i + 2]);
    return {};
}

// -- Routines ------------------------------------------------------------------------------

Lines PlatformShortPath(const Arguments& a) {
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(Argument(a, 0).c_str(), buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return {""};
    return {std::string(buffer, length)};
}

Lines WindowsVersion(const Arguments&) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) throw KestError("GetVersionEx " + std::to_string(GetLastError()));
    return {std::to_string(info.dwMajorVersion), std::to_string(info.dwMinorVersion),
            std::to_string(info.dwBuildNumber), std::to_string(info.dwPlatformId)};
}

Lines LoadList(const Arguments& a) {
    StringList list = {"stale line"};  // must be gone whatever the outcome
    bool loaded = LoadListFile(list, Argument(a, 0));
    Lines lines = {Bool(loaded)};
    lines.insert(lines.end(), list.begin(), list.end());
    return lines;
}

Lines SaveList(const Arguments& a) {
    StringList list(a.begin() + 1, a.end());
    SaveListFile(list, Argument(a, 0));
    return {};
}

Lines ShowBox(const Arguments& a) {
    int answer = MessageBoxA(nullptr, Argument(a, 1).c_str(), Argument(a, 0).c_str(),
                             static_cast<UINT>(std::strtoul(Argument(a, 2).c_str(), nullptr, 0)));
    return {std::to_string(answer)};
}

Lines FileAttributes(const Arguments& a) {
    DWORD attributes = GetFileAttributesA(Argument(a, 0).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return {"missing"};
    return {std::to_string(attributes)};
}

// Starts a program without waiting for it, as the system starts the product's program.
Lines StartProgram(const Arguments& a) {
    UINT result = WinExec(Argument(a, 0).c_str(), SW_SHOWNORMAL);
    return {std::to_string(result)};
}

Lines ReplayTable(const Arguments& a) {
    KernelHandle file(CreateFileA(Argument(a, 0).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) throw UsageError("cannot open the table " + Argument(a, 0));
    std::string table;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        table.append(buffer, read);
    file.Close();  // the table's cases may open it themselves
    Lines lines;
    for (const replay::Case& c : replay::Parse(table))
        lines.push_back(std::to_string(c.line) + " " + replay::Run(c));
    return lines;
}

typedef std::function<Lines(const Arguments&)> Routine;

const std::map<std::string, Routine>& Routines() {
    static const std::map<std::string, Routine> routines = {
        {"ShortPath", [](const Arguments& a) { return Lines{ShortPath(Argument(a, 0))}; }},
        {"GetShortPathName", PlatformShortPath},
        {"ProgramArgument",
         [](const Arguments& a) {
             return Lines{ProgramArgument(std::atoi(Argument(a, 0).c_str()))};
         }},
        {"CommandLine", [](const Arguments&) { return Lines{GetCommandLineA()}; }},
        {"MoveToRecycleBin",
         [](const Arguments& a) { return Lines{Bool(MoveToRecycleBin(Argument(a, 0)))}; }},
        {"DeleteRegistryKey",
         [](const Arguments& a) {
             DeleteRegistryKey(Argument(a, 0), Argument(a, 1) == "1");
             return Lines{};
         }},
        {"LoadListFile", LoadList},
        {"SaveListFile", SaveList},
        {"IsWritableFolder",
         [](const Arguments& a) { return Lines{Bool(IsWritableFolder(Argument(a, 0)))}; }},
        {"FileIsPresent",
         [](const Arguments& a) { return Lines{Bool(FileIsPresent(Argument(a, 0)))}; }},
        {"WindowsVersion", WindowsVersion},
        {"RegSet", RegSet},
        {"RegSetDword", RegSetDword},
        {"RegTree", RegTree},
        {"MessageBox", ShowBox},
        {"WinExec", StartProgram},
        {"GetFileAttributes", FileAttributes},
        {"Replay", ReplayTable},
    };
    return routines;
}

// -- Report --------------------------------------------------------------------------------

bool WriteReport(const std::string& path, const std::string& status, const Lines& lines) {
    std::string text = status + "\r\n";
    for (const std::string& line : lines) text += Escape(line) + "\r\n";
    KernelHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

// The system's start-up minus its acts on the registry: what the routines may rely on.
void PrepareState() {
    State.IsNT = DetectWindowsVersion();
    State.LogLines.reset(new StringList);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 3) return 2;
    std::string report = __argv[1];
    std::string name = __argv[2];
    Arguments arguments;
    for (int i = 3; i < __argc; ++i) arguments.push_back(Unescape(__argv[i]));

    auto routine = Routines().find(name);
    if (routine == Routines().end()) {
        return WriteReport(report, "error: UsageError: unknown routine " + name, {}) ? 2 : 3;
    }
    std::string status = "ok";
    Lines lines;
    try {
        PrepareState();
        lines = routine->second(arguments);
    } catch (const KestError& error) {
        status = std::string("error: ") + error.TypeName() + ": " + Escape(error.what());
    } catch (const std::exception& error) {
        status = std::string("error: std::exception: ") + Escape(error.what());
    }
    return WriteReport(report, status, lines) ? 0 : 3;
}
