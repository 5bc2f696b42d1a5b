// Line-safe text for the test tools' reports: a backslash is written "\\", CR "\r", LF "\n",
// "|" "\|", any other control character "\xHH". Unescape reverses it.
#ifndef KEST_TOOLS_TOOLTEXT_H
#define KEST_TOOLS_TOOLTEXT_H

#include <cstdio>
#include <string>

// One byte as "\xHH".
inline std::string HexByte(unsigned char c) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    return hex;
}

inline std::string Escape(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '|') {
            out += "\\|";
        } else if (c < 0x20 || c == 0x7f) {
            out += HexByte(c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// An escape it does not know is kept as written.
inline std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        char next = text[i + 1];
        if (next == '\\' || next == '|') {
            out += next;
            ++i;
        } else if (next == 'r') {
            out += '\r';
            ++i;
        } else if (next == 'n') {
            out += '\n';
            ++i;
        } else if (next == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 &&
                   HexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            out += c;
        }
    }
    return out;
}

#endif
