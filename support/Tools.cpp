// Text and command-line tools shared by both modes.
#include "Tools.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

const char* const ForbiddenNameCharacters = "\\/:*?\"<>|";
const char* const WildcardCharacters = "*?<>\"";

std::string LowerCase(const std::string& text) {
    std::string lower = text;
    if (!lower.empty()) {
        CharLowerBuffA(&lower[0], static_cast<DWORD>(lower.size()));
    }
    return lower;
}

const char* NextCharacter(const char* p, const char* end) {
    if (p >= end) {
        return end;
    }
    const char* next = CharNextA(p);
    if (next <= p) {
        return p + 1;
    }
    return next > end ? end : next;
}

namespace {

bool IsInSet(char c, const char* set) {
    for (; *set != '\0'; ++set) {
        if (*set == c) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool HoldsCharacterOf(const std::string& text, const char* set) {
    const char* const end = text.c_str() + text.size();
    for (const char* p = text.c_str(); p < end;) {
        const char* next = NextCharacter(p, end);
        if (next == p + 1 && IsInSet(*p, set)) {
            return true;
        }
        p = next;
    }
    return false;
}

namespace {

bool IsTokenSeparator(char c) { return c == ' ' || c == '\r' || c == '\n'; }

// Codes 1 to 32 separate command-line arguments; the terminating NUL does not.
bool IsArgumentSeparator(char c) {
    const unsigned char code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

// Skips separators and empty quoted pairs in front of an argument.
const char* SkipToArgument(const char* p, const char* end) {
    for (;;) {
        while (p < end && IsArgumentSeparator(*p)) {
            p = NextCharacter(p, end);
        }
        if (p + 1 < end && p[0] == '"' && p[1] == '"') {
            p += 2;
            continue;
        }
        return p;
    }
}

// Takes one argument starting at `p`; returns the position after it.
const char* TakeArgument(const char* p, const char* end, std::string& argument) {
    argument.clear();
    while (p < end && !IsArgumentSeparator(*p)) {
        if (*p == '"') {
            p = NextCharacter(p, end);
            while (p < end && *p != '"') {
                const char* next = NextCharacter(p, end);
                argument.append(p, next);
                p = next;
            }
            if (p < end) {
                p = NextCharacter(p, end);
            }
        } else {
            const char* next = NextCharacter(p, end);
            argument.append(p, next);
            p = next;
        }
    }
    return p;
}

// The end of the program's own path when the command line names it unquoted and
// with blanks in it, as a registered command such as
// C:\Program Files\Tessaly\KestDel.Exe "Menu" ... does: the system starts the right
// program, and the arguments must not begin inside its path. Null otherwise.
const char* SkipUnquotedOwnPath(const char* p, const char* end, const std::string& ownPath) {
    if (ownPath.find(' ') == std::string::npos || *p == '"' ||
        static_cast<std::size_t>(end - p) < ownPath.size()) {
        return nullptr;
    }
    const char* after = p + ownPath.size();
    if (after < end && !IsArgumentSeparator(*after)) {
        return nullptr;
    }
    if (LowerCase(std::string(p, ownPath.size())) != LowerCase(ownPath)) {
        return nullptr;
    }
    return after;
}

// Position just after the last backslash or colon, stepping by characters so
// that the trail byte of a double-byte character is never taken for either.
std::string::size_type FolderPartLength(const std::string& path) {
    const char* const begin = path.c_str();
    const char* const end = begin + path.size();
    std::string::size_type length = 0;
    for (const char* p = begin; p < end;) {
        const char* next = NextCharacter(p, end);
        if (*p == '\\' || *p == ':') {
            length = static_cast<std::string::size_type>(next - begin);
        }
        p = next;
    }
    return length;
}

// Whether the last character (not merely the last byte) is a backslash.
bool EndsWithBackslash(const std::string& text) {
    return !text.empty() && text.back() == '\\' && FolderPartLength(text) == text.size();
}

}  // namespace

std::string FolderPart(const std::string& path) { return path.substr(0, FolderPartLength(path)); }

std::string FileNamePart(const std::string& path) { return path.substr(FolderPartLength(path)); }

std::string AddBackslash(const std::string& text) {
    if (text.empty() || EndsWithBackslash(text)) {
        return text;
    }
    return text + "\\";
}

std::string RemoveBackslash(const std::string& text) {
    if (!EndsWithBackslash(text)) {
        return text;
    }
    return text.substr(0, text.size() - 1);
}

std::string DecimalText(unsigned long value) {
    char digits[3 * sizeof value];  // more than the type's longest number needs
    char* const end = digits + sizeof digits;
    char* first = end;
    do {
        *--first = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    return std::string(first, end);
}

int PosText(const std::string& sub, const std::string& text) {
    if (sub.empty() || text.empty()) {
        return 0;
    }
    const std::string::size_type position = LowerCase(text).find(LowerCase(sub));
    return position == std::string::npos ? 0 : static_cast<int>(position) + 1;
}

std::string ExtractToken(const std::string& text, int n) {
    if (n < 1) {
        return std::string();
    }
    int counter = n;
    bool isOpen = false;
    std::string::size_type start = 0;
    std::string::size_type i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsTokenSeparator(c)) {
            if (isOpen) {
                if (--counter == 0) {
                    return text.substr(start, i - start);
                }
                isOpen = false;
            }
            ++i;
        } else if (c == '"' && !isOpen) {
            const std::string::size_type close = text.find('"', i + 1);
            const std::string::size_type contentEnd =
                close == std::string::npos ? text.size() : close;
            if (--counter == 0) {
                return text.substr(i + 1, contentEnd - i - 1);
            }
            i = close == std::string::npos ? text.size() : close + 1;
        } else {
            if (!isOpen) {
                isOpen = true;
                start = i;
            }
            ++i;
        }
    }
    if (isOpen && counter == 1) {
        return text.substr(start);
    }
    return std::string();
}

std::string TranslateChars(const std::string& text, const std::string& replacementSet,
                           const std::string& searchSet) {
    // Stepped by characters: the trail byte of a double-byte character is no
    // character of its own, even when it has the code of one in the search set.
    std::string result = text;
    const char* const begin = text.c_str();
    const char* const end = begin + text.size();
    for (const char* p = begin; p < end;) {
        const char* next = NextCharacter(p, end);
        const std::string::size_type found = next == p + 1 ? searchSet.find(*p) : std::string::npos;
        if (found != std::string::npos && found < replacementSet.size()) {
            result[static_cast<std::size_t>(p - begin)] = replacementSet[found];
        }
        p = next;
    }
    return result;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string CommandPath(const std::string& path) {
    // cmd.exe, which runs the restart commands, also splits at these characters.
    return path.find_first_of(" &|()<>^%!,;=") == std::string::npos ? path : Quoted(path);
}

std::string CommandLineArgument(const char* commandLine, int n, const std::string& ownPath) {
    if (commandLine == nullptr || n < 0) {
        return std::string();
    }
    const char* end = commandLine + std::strlen(commandLine);
    const char* p = commandLine;
    std::string argument;
    for (int index = 0; index <= n; ++index) {
        p = SkipToArgument(p, end);
        if (p >= end) {
            return std::string();
        }
        const char* afterOwnPath = index == 0 ? SkipUnquotedOwnPath(p, end, ownPath) : nullptr;
        if (afterOwnPath != nullptr) {
            argument = ownPath;
            p = afterOwnPath;
        } else {
            p = TakeArgument(p, end, argument);
        }
    }
    return argument;
}

std::string ProgramArgument(int n) {
    if (n != 0) {
        return CommandLineArgument(GetCommandLineA(), n, ProgramArgument(0));
    }
    // A name that fills the buffer may have been cut off, which would make it name
    // another file or folder: ask again with more room, up to the longest path there is.
    const DWORD LongestPath = 32768;
    for (DWORD size = MAX_PATH; size <= LongestPath; size *= 2) {
        std::vector<char> buffer(size, '\0');
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) {
            return std::string();
        }
        if (length + 1 < size) {
            return std::string(buffer.data(), std::strlen(buffer.data()));
        }
    }
    return std::string();
}
