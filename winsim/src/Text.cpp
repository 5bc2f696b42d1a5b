// Text functions of the simulated machine: lengths, comparison, lower-casing,
// character stepping and the system's message texts.
#include <cstring>

#include "Internal.h"

namespace winsim {

bool IsLeadByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return M().doubleByteCodePage && ((u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC));
}

namespace {

std::string Counted(LPCSTR text, int count) {
    return count < 0 ? std::string(text) : std::string(text, static_cast<size_t>(count));
}

// Texts equal but for case: the one with a small letter first sorts first.
int CaseOrder(const std::string& a, const std::string& b) {
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return Lower(std::string(1, a[i]))[0] == a[i] ? -1 : 1;
    return 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Expands a message text as the platform does without an argument list: line
// breaks become blanks when a width is given, "%n" and the other escapes are
// replaced, and inserts are kept as they stand or refused.
bool Expand(const std::string& text, DWORD flags, std::string& out) {
    const bool ignoreInserts = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
    const bool width = (flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) != 0;
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += width ? " " : "\r\n";
            continue;
        }
        if (c != '%') {
            out += c;
            continue;
        }
        if (i + 1 >= text.size()) return false;  // a lone % at the end
        const char next = text[++i];
        if (next == '0') return true;  // the end of the message, without line break
        if (next == 'n') {
            out += "\r\n";
        } else if (next == 'r') {
            out += '\r';
        } else if (next == 't') {
            out += '\t';
        } else if (IsDigit(next) && !ignoreInserts) {
            return false;  // an insert, and no arguments to fill it
        } else if (ignoreInserts) {
            out += '%';  // inserts and other escapes stay as they stand
            out += next;
        } else {
            out += next;  // %% %. %! and the like stand for the character itself
        }
    }
    return true;
}

}  // namespace

std::string Upper(const std::string& s) {
    std::string out = s;
    for (auto& c : out) {
        unsigned char u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
            u = static_cast<unsigned char>(u - 32);
        else if (u == 0x9A || u == 0x9C || u == 0x9E)
            u = static_cast<unsigned char>(u - 16);
        else if (u == 0xFF)
            u = 0x9F;
        c = static_cast<char>(u);
    }
    return out;
}

}  // namespace winsim

using namespace winsim;

int WINAPI lstrlenA(LPCSTR text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

int WINAPI CompareStringA(LCID, DWORD flags, LPCSTR string1, int count1, LPCSTR string2,
                          int count2) {
    if (!string1 || !string2) {
        M().lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    const std::string a = Counted(string1, count1);
    const std::string b = Counted(string2, count2);
    int order = Lower(a).compare(Lower(b));
    if (order == 0 && !(flags & NORM_IGNORECASE)) order = CaseOrder(a, b);
    return order < 0 ? CSTR_LESS_THAN : order > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

DWORD WINAPI CharLowerBuffA(LPSTR text, DWORD length) {
    if (!text) return 0;
    for (DWORD i = 0; i < length; ++i) {
        if (IsLeadByte(text[i])) {
            ++i;  // the trail byte of a double-byte character is no letter
            continue;
        }
        text[i] = Lower(std::string(1, text[i]))[0];
    }
    return length;
}

LPSTR WINAPI CharNextA(LPCSTR text) {
    if (!*text) return const_cast<LPSTR>(text);
    if (IsLeadByte(*text) && text[1]) return const_cast<LPSTR>(text + 2);
    return const_cast<LPSTR>(text + 1);
}

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD, LPSTR buffer,
                            DWORD size, void*) {
    if (Faulted("FormatMessageA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    Machine& m = M();
    std::string text;
    if (flags & FORMAT_MESSAGE_FROM_STRING) {
        if (!source) return m.lastError = ERROR_INVALID_PARAMETER, 0;
        text = static_cast<const char*>(source);
    } else if (flags & FORMAT_MESSAGE_FROM_SYSTEM) {
        auto it = m.messageTexts.find(messageId);
        if (it == m.messageTexts.end()) return m.lastError = ERROR_MR_MID_NOT_FOUND, 0;
        text = it->second;
    } else {
        return m.lastError = ERROR_INVALID_PARAMETER, 0;
    }
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) return m.lastError = ERROR_INVALID_PARAMETER, 0;
    std::string out;
    if (!Expand(text, flags, out)) return m.lastError = ERROR_INVALID_PARAMETER, 0;
    if (!buffer || out.size() >= size) return m.lastError = ERROR_INSUFFICIENT_BUFFER, 0;
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return static_cast<DWORD>(out.size());
}
