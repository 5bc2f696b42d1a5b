// One table of system calls replayed on the simulated Windows and on the platform.
// The host test runs it against winsim, the probe against Wine; both compare each
// case's answer with the one the table expects.
//
// A table line is a case: the call, its arguments after " | ", then " => " and the
// answer expected from the platform. A case where winsim knowingly answers otherwise
// adds " !! winsim: <its answer> !! <the reason>". Lines that are empty or begin with
// "#" are comments. Arguments are taken as written except "\xHH" (one byte) and "\t"
// (nothing: an empty argument).
//
// An answer is the call's result, then " e<code>" when the last-error code is set
// after it (the code is cleared before each call). A text buffer starts as "#", so that
// an answer shows what a failing call left in it.
#ifndef KEST_TOOLS_REPLAY_H
#define KEST_TOOLS_REPLAY_H

#include <lzexpand.h>
#include <shellapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ToolText.h"
#include "WinSysHandles.h"

namespace replay {

struct Case {
    int line = 0;  // 1-based line in the table
    std::string call;
    std::vector<std::string> arguments;
    std::string platform;  // the answer expected from the platform
    std::string winsim;    // winsim's own answer when it knowingly differs, else empty
    std::string reason;    // why it differs
};

inline std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

inline std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos;
         start = at + separator.size()) {
        parts.push_back(text.substr(start, at - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

inline std::string Decode(const std::string& text) {
    if (text == "\\t") return "";
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() + 0 && text[i + 1] == 'x' &&
            HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The cases of a table's text; a line that is no case is a case of the call "?".
inline std::vector<Case> Parse(const std::string& table) {
    std::vector<Case> cases;
    int number = 0;
    for (std::string line : Split(table, "\n")) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (Trim(line).empty() || Trim(line)[0] == '#') continue;
        Case c;
        c.line = number;
        const std::vector<std::string> sides = Split(line, " => ");
        const std::vector<std::string> words = Split(sides[0], " | ");
        c.call = Trim(words[0]);
        for (size_t i = 1; i < words.size(); ++i) c.arguments.push_back(Decode(Trim(words[i])));
        if (sides.size() != 2) {
            c.call = "?";
        } else {
            const std::vector<std::string> answers = Split(sides[1], " !! ");
            c.platform = Trim(answers[0]);
            if (answers.size() == 3 && Trim(answers[1]).compare(0, 7, "winsim:") == 0) {
                c.winsim = Trim(Trim(answers[1]).substr(7));
                c.reason = Trim(answers[2]);
            } else if (answers.size() != 1) {
                c.call = "?";
            }
        }
        cases.push_back(c);
    }
    return cases;
}

// A result as the table writes it: bytes outside printable ASCII, and a blank that
// ends the text, as "\xHH".
inline std::string Shown(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7F || (c == ' ' && i + 1 == text.size())) {
            out += HexByte(c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

inline std::string Answer(const std::string& result) {
    const DWORD error = GetLastError();
    return error == 0 ? result : result + " e" + std::to_string(error);
}

inline std::string Number(long long value) { return std::to_string(value); }

inline DWORD Flags(const std::string& text) {
    return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 0));
}

// A key as the table writes it, "HKCU\\Software\\Replay", opened with all rights unless
// a "?" and the rights to ask for follow: "HKCU\\Software\\Replay?0x20019".
inline HKEY Root(const std::string& key, std::string& path, REGSAM& access) {
    const size_t slash = key.find('\\');
    const size_t mark = key.find('?');
    const std::string root = key.substr(0, std::min(slash, mark));
    path = slash >= mark ? "" : key.substr(slash + 1, mark - slash - 1);
    access = mark == std::string::npos ? KEY_ALL_ACCESS : Flags(key.substr(mark + 1));
    return root == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

inline DWORD Creation(const std::string& word) {
    if (word == "new") return CREATE_NEW;
    if (word == "always") return CREATE_ALWAYS;
    if (word == "openalways") return OPEN_ALWAYS;
    if (word == "truncate") return TRUNCATE_EXISTING;
    return OPEN_EXISTING;
}

inline std::string Argument(const Case& c, size_t index) {
    return index < c.arguments.size() ? c.arguments[index] : "";
}

// Runs one case and answers as the table writes answers.
inline std::string Run(const Case& c) {
    const std::string a0 = Argument(c, 0);
    const std::string a1 = Argument(c, 1);
    const std::string a2 = Argument(c, 2);
    SetLastError(0);
    if (c.call == "CreateDirectoryA") return Answer(Number(CreateDirectoryA(a0.c_str(), nullptr)));
    if (c.call == "RemoveDirectoryA") return Answer(Number(RemoveDirectoryA(a0.c_str())));
    if (c.call == "DeleteFileA") return Answer(Number(DeleteFileA(a0.c_str())));
    if (c.call == "MoveFileA") return Answer(Number(MoveFileA(a0.c_str(), a1.c_str())));
    if (c.call == "MoveFileExA")
        return Answer(Number(MoveFileExA(a0.c_str(), a1.c_str(), Flags(a2))));
    if (c.call == "SetFileAttributesA")
        return Answer(Number(SetFileAttributesA(a0.c_str(), Flags(a1))));
    if (c.call == "GetFileAttributesA") {
        const DWORD attributes = GetFileAttributesA(a0.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return Answer("-1");
        // The content-indexing bit and the like say nothing about the file.
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(attributes & 0xB7));
        return Answer(hex);
    }
    if (c.call == "CreateFileA") {
        // CreateFileA | path | r or w | creation [| content written]
        const DWORD access = a1 == "w" ? GENERIC_WRITE : GENERIC_READ;
        const KernelHandle file(CreateFileA(a0.c_str(), access, FILE_SHARE_READ, nullptr,
                                            Creation(a2), FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.Get() == INVALID_HANDLE_VALUE) return Answer("-1");
        const std::string answer = Answer("1");
        const std::string content = Argument(c, 3);
        DWORD written = 0;
        const bool wrote =
            content.empty() || (WriteFile(file.Get(), content.data(),
                                          static_cast<DWORD>(content.size()), &written, nullptr) &&
                                written == content.size());
        return wrote ? answer : answer + " write failed";
    }
    if (c.call == "ReadFile") {
        const KernelHandle file(CreateFileA(a0.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.Get() == INVALID_HANDLE_VALUE) return Answer("-1");
        std::string content;
        char buffer[512];
        DWORD read = 0;
        while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
            content.append(buffer, read);
        return Answer("'" + Shown(content) + "'");
    }
    if (c.call == "FindFiles") {
        // The names a search finds, sorted; "." and ".." left out.
        WIN32_FIND_DATAA entry;
        DirectorySearch search(a0, entry);
        if (!search.Found()) return Answer("-1");
        std::vector<std::string> names;
        do {
            const std::string name = entry.cFileName;
            if (name != "." && name != "..") names.push_back(name);
        } while (search.Next(entry));
        const std::string answer = Answer("");  // ERROR_NO_MORE_FILES at the end
        std::sort(names.begin(), names.end());
        std::string list;
        for (const std::string& name : names) list += (list.empty() ? "" : ",") + Shown(name);
        return "[" + list + "]" + answer;
    }
    if (c.call == "FindClose") return Answer(Number(FindClose(INVALID_HANDLE_VALUE)));
    if (c.call == "SetCurrentDirectoryA") return Answer(Number(SetCurrentDirectoryA(a0.c_str())));
    if (c.call == "GetCurrentDirectoryA") {
        // GetCurrentDirectoryA [| buffer size]
        char buffer[MAX_PATH + 1] = "#";
        const DWORD length = GetCurrentDirectoryA(a0.empty() ? sizeof buffer : Flags(a0), buffer);
        return Answer(Number(length) + " " + Shown(buffer));
    }
    if (c.call == "GetShortPathNameA") {
        // GetShortPathNameA | path [| buffer size]
        char buffer[MAX_PATH + 1] = "#";
        const DWORD length =
            GetShortPathNameA(a0.c_str(), buffer, a1.empty() ? sizeof buffer : Flags(a1));
        return Answer(Number(length) + " " + Shown(length < sizeof buffer ? buffer : ""));
    }
    if (c.call == "LZOpenFileA") {
        // The handle's sign, and the name the call opened (or would have opened).
        OFSTRUCT info = {};
        std::string name = a0;
        const INT file = LZOpenFileA(&name[0], &info, OF_READ);
        const std::string answer = Answer(file >= 0 ? "ok" : Number(file));
        if (file >= 0) LZClose(file);
        const std::string opened = info.szPathName;
        return answer + " " + Shown(opened.substr(opened.find_last_of('\\') + 1));
    }
    if (c.call == "LZCopy") {
        OFSTRUCT in = {};
        OFSTRUCT out = {};
        std::string source = a0;
        std::string destination = a1;
        // A failed open answers with the open's result and the code it left in its OFSTRUCT.
        const INT from = LZOpenFileA(&source[0], &in, OF_READ);
        if (from < 0) return Answer("open " + Number(from)) + " code " + Number(in.nErrCode);
        const INT to = LZOpenFileA(&destination[0], &out, OF_CREATE);
        if (to < 0) {
            const std::string answer =
                Answer("create " + Number(to)) + " code " + Number(out.nErrCode);
            LZClose(from);
            return answer;
        }
        const LONG copied = LZCopy(from, to);
        LZClose(to);
        LZClose(from);
        return Number(copied);
    }
    if (c.call == "SHFileOperationA") {
        // SHFileOperationA | path | undo or plain: a silent deletion of one item.
        std::string from = a0;
        from.push_back('\0');
        SHFILEOPSTRUCTA operation = {};
        operation.wFunc = FO_DELETE;
        operation.pFrom = from.c_str();
        operation.fFlags = static_cast<FILEOP_FLAGS>(
            FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | (a1 == "undo" ? FOF_ALLOWUNDO : 0));
        const int result = SHFileOperationA(&operation);
        return Number(result == 0 ? 0 : 1);  // the codes themselves are the shell's own
    }
    if (c.call == "RegCreateKeyExA" || c.call == "RegOpenKeyExA" || c.call == "RegDeleteKeyA" ||
        c.call == "RegSetValueExA" || c.call == "RegQueryValueExA" || c.call == "RegEnumKeyExA" ||
        c.call == "RegDeleteValueA" || c.call == "RegQueryInfoKeyA") {
        std::string path;
        REGSAM access = KEY_ALL_ACCESS;
        const HKEY root = Root(a0, path, access);
        if (c.call == "RegDeleteKeyA") return Number(RegDeleteKeyA(root, path.c_str()));
        // A failed open or create must leave no handle behind in the caller's variable.
        HKEY received = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x5A5A));
        DWORD disposition = 0;
        LONG status =
            c.call == "RegCreateKeyExA"
                ? RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &received, &disposition)
                : RegOpenKeyExA(root, path.c_str(), 0,
                                c.call == "RegOpenKeyExA" && !a1.empty() ? Flags(a1) : access,
                                &received);
        if (status != ERROR_SUCCESS)
            return Number(status) + (received == nullptr ? "" : " handle not cleared");
        RegistryKey key;
        key.Reset(received);
        std::string answer = "0";
        if (c.call == "RegCreateKeyExA") {
            answer += disposition == REG_CREATED_NEW_KEY ? " new" : " existing";
        } else if (c.call == "RegSetValueExA") {
            // RegSetValueExA | key | name | text [| kind]: a string value with its terminator;
            // "uncounted": the terminator follows but is left out of the size; "bare": no
            // terminator follows; "expand": an expandable string; "dword": the text's number.
            const std::string kind = Argument(c, 3);
            const DWORD number = Flags(a2);
            const std::string text = kind == "bare" ? a2 + "#" : a2;
            const BYTE* data = kind == "dword" ? reinterpret_cast<const BYTE*>(&number)
                                               : reinterpret_cast<const BYTE*>(text.c_str());
            const size_t size = kind == "dword"                         ? sizeof number
                                : kind == "bare" || kind == "uncounted" ? a2.size()
                                                                        : a2.size() + 1;
            const DWORD type = kind == "dword"    ? REG_DWORD
                               : kind == "expand" ? REG_EXPAND_SZ
                                                  : REG_SZ;
            answer = Number(
                RegSetValueExA(key.Get(), a1.c_str(), 0, type, data, static_cast<DWORD>(size)));
        } else if (c.call == "RegDeleteValueA") {
            // RegDeleteValueA | key | name.
            answer = Number(RegDeleteValueA(key.Get(), a1.c_str()));
        } else if (c.call == "RegQueryValueExA") {
            // RegQueryValueExA | key | name | buffer size, or "null" for no buffer: code,
            // type, size and data.
            std::vector<BYTE> buffer(Flags(a2) + 1, 0);
            DWORD type = 0;
            DWORD size = Flags(a2);
            const LONG queried = RegQueryValueExA(key.Get(), a1.c_str(), nullptr, &type,
                                                  a2 == "null" ? nullptr : buffer.data(), &size);
            answer = Number(queried) + " type " + Number(type) + " size " + Number(size);
            if (queried == ERROR_SUCCESS && a2 != "null")
                answer += " '" + Shown(std::string(buffer.begin(), buffer.begin() + size)) + "'";
        } else if (c.call == "RegQueryInfoKeyA") {
            DWORD keys = 0, longestKey = 0, values = 0, longestName = 0, longestData = 0;
            const LONG queried =
                RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &keys, &longestKey, nullptr,
                                 &values, &longestName, &longestData, nullptr, nullptr);
            answer = Number(queried) + " keys " + Number(keys) + " longest " + Number(longestKey) +
                     " values " + Number(values) + " name " + Number(longestName) + " data " +
                     Number(longestData);
        } else if (c.call == "RegEnumKeyExA" && !a1.empty()) {
            // RegEnumKeyExA | key | index | buffer size: code, the size after, and the
            // buffer's first four bytes.
            char name[64];
            std::memset(name, '#', sizeof name);
            DWORD size = Flags(a2);
            const LONG enumerated = RegEnumKeyExA(key.Get(), Flags(a1), name, &size, nullptr,
                                                  nullptr, nullptr, nullptr);
            answer = Number(enumerated) + " size " + Number(size) + " '" +
                     Shown(std::string(name, 4)) + "'";
        } else if (c.call == "RegEnumKeyExA") {
            answer = "[";
            for (DWORD index = 0;; ++index) {
                char name[256];
                DWORD size = sizeof name;
                const LONG enumerated = RegEnumKeyExA(key.Get(), index, name, &size, nullptr,
                                                      nullptr, nullptr, nullptr);
                if (enumerated != ERROR_SUCCESS) {
                    answer += "] " + Number(enumerated);
                    break;
                }
                answer += (index ? "," : "") + Shown(name);
                // The size comes back in characters, without the terminator.
                if (size != std::strlen(name)) answer += "(size " + Number(size) + ")";
            }
        }
        return answer;
    }
    if (c.call == "WinExec") return Answer(Number(WinExec(a0.c_str(), SW_HIDE)));
    if (c.call == "CreateProcessA") {
        // A program that cannot start: the call's answer; one that starts is not waited for.
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        std::string commandLine = a0;
        const BOOL created = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0,
                                            nullptr, nullptr, &startup, &process);
        const KernelHandle ownProcess(process.hProcess), ownThread(process.hThread);
        return Answer(Number(created));
    }
    if (c.call == "CompareStringA") {
        // CompareStringA | text | text | flags [| count | count]: -1 counts to the terminator.
        const std::string countA = Argument(c, 3);
        const std::string countB = Argument(c, 4);
        return Answer(
            Number(CompareStringA(LOCALE_USER_DEFAULT, Flags(a2), a0.c_str(),
                                  countA.empty() ? -1 : std::atoi(countA.c_str()), a1.c_str(),
                                  countB.empty() ? -1 : std::atoi(countB.c_str()))));
    }
    if (c.call == "CharLowerBuffA") {
        // CharLowerBuffA | text [| length]: the whole text unless a length is given.
        std::string text = a0;
        const DWORD length =
            text.empty() ? 0
                         : CharLowerBuffA(&text[0],
                                          a1.empty() ? static_cast<DWORD>(text.size()) : Flags(a1));
        return Answer(Number(length) + " " + Shown(text));
    }
    if (c.call == "CharNextA") return Number(CharNextA(a0.c_str()) - a0.c_str());  // the step
    if (c.call == "FileTimeToDosDateTime") {
        // FileTimeToDosDateTime | low | high: the result, then the DOS date and time.
        const FILETIME time = {Flags(a0), Flags(a1)};
        WORD date = 0, clock = 0;
        const BOOL converted = FileTimeToDosDateTime(&time, &date, &clock);
        return Answer(Number(converted) + " " + Number(date) + " " + Number(clock));
    }
    if (c.call == "FormatMessageA") {
        // FormatMessageA | code | flags [| buffer size]
        char buffer[512] = "#";
        const DWORD length =
            FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | Flags(a1), nullptr, Flags(a0), 0, buffer,
                           a2.empty() ? sizeof buffer : Flags(a2), nullptr);
        return Answer(Number(length) + " " + Shown(buffer));
    }
    if (c.call == "WideCharToMultiByte") {
        // WideCharToMultiByte | UTF-16 code units in hexadecimal, blank-separated | flags:
        // the ANSI text and whether the default character was used.
        std::vector<WCHAR> wide;
        for (const std::string& unit : Split(a0, " "))
            wide.push_back(static_cast<WCHAR>(Flags(unit)));
        char buffer[64] = "";
        BOOL usedDefault = FALSE;
        const int length =
            WideCharToMultiByte(CP_ACP, Flags(a1), wide.data(), static_cast<int>(wide.size()),
                                buffer, sizeof buffer, nullptr, &usedDefault);
        return Answer(Number(length) + " " + Shown(std::string(buffer, length > 0 ? length : 0)) +
                      " default " + Number(usedDefault));
    }
    if (c.call == "LoadLibraryA") {
        // LoadLibraryA | path, with "%system%" for the system folder: whether it loads.
        std::string path = a0;
        const size_t at = path.find("%system%");
        if (at != std::string::npos) {
            char folder[MAX_PATH] = "";
            GetSystemDirectoryA(folder, sizeof folder);
            path.replace(at, 8, folder);
            SetLastError(0);
        }
        const HMODULE module = LoadLibraryA(path.c_str());
        const std::string answer = Answer(module ? "ok" : "0");
        if (module) FreeLibrary(module);
        return answer;
    }
    if (c.call == "GetProcAddress") {
        // GetProcAddress | library (loaded already) | function: whether it is there.
        const FARPROC function = GetProcAddress(GetModuleHandleA(a0.c_str()), a1.c_str());
        return Answer(function ? "found" : "0");
    }
    if (c.call == "GetEnvironmentVariableA") {
        char buffer[MAX_PATH] = "#";
        const DWORD length = GetEnvironmentVariableA(a0.c_str(), buffer, sizeof buffer);
        return Answer(Number(length) + " " + Shown(buffer));
    }
    if (c.call == "GetFullPathNameA") {
        // GetFullPathNameA | name [| buffer size]
        char buffer[MAX_PATH + 1] = "#";
        const DWORD length =
            GetFullPathNameA(a0.c_str(), a1.empty() ? sizeof buffer : Flags(a1), buffer, nullptr);
        return Answer(Number(length) + " " + Shown(buffer));
    }
    // Its answer says all: Wine leaves stray last-error codes behind it.
    if (c.call == "GetDriveTypeA") return Number(GetDriveTypeA(a0.c_str()));
    if (c.call == "GetModuleHandleA") return Answer(GetModuleHandleA(a0.c_str()) ? "found" : "0");
    if (c.call == "GetVersionExA") {
        // GetVersionExA | the record's size as the caller sets it
        struct {
            OSVERSIONINFOA info;
            BYTE extended[8];  // room for the larger record's further fields
        } record = {};
        record.info.dwOSVersionInfoSize = Flags(a0);
        return Answer(Number(GetVersionExA(&record.info)));
    }
    return "unknown call " + c.call;
}

}  // namespace replay

#endif
