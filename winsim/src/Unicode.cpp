// Conversions between Unicode and the ANSI code page of the simulated machine: Latin-1,
// with Windows' best fit for the full-width forms.
#include "Internal.h"

namespace winsim {

namespace {

const char kDefaultChar = '?';

// The byte a character becomes; `bestFit` tells whether it is only a look-alike.
bool ToByte(wchar_t c, char& out, bool& bestFit) {
    bestFit = false;
    const unsigned long code = static_cast<unsigned long>(c);
    if (code <= 0xFF) {
        out = static_cast<char>(code);
        return true;
    }
    if (code >= 0xFF01 && code <= 0xFF5E) {  // full-width forms: U+FF3C becomes a backslash
        out = static_cast<char>(code - 0xFF01 + 0x21);
        bestFit = true;
        return true;
    }
    return false;
}

// The counted text of a call's arguments: -1 means up to and with the terminating zero.
template <typename Char>
std::basic_string<Char> Counted(const Char* text, int count) {
    if (count >= 0) return std::basic_string<Char>(text, static_cast<size_t>(count));
    std::basic_string<Char> all(text);
    all.push_back(Char());
    return all;
}

// Hands the converted text over as the platform does: its length when asked with
// size 0, else the text when it fits.
template <typename Char>
int Deliver(const std::basic_string<Char>& converted, Char* out, int size) {
    const int length = static_cast<int>(converted.size());
    if (size == 0) return length;
    if (!out || size < length) {
        M().lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    std::copy(converted.begin(), converted.end(), out);
    return length;
}

}  // namespace

std::string BestFitText(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        char byte = kDefaultChar;
        bool bestFit = false;
        if (!ToByte(c, byte, bestFit)) byte = kDefaultChar;
        out += byte;
    }
    return out;
}

}  // namespace winsim

using namespace winsim;

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR text,
                               int size, LPCSTR defaultChar, LPBOOL usedDefault) {
    Machine& m = M();
    const bool nt4 =
        m.version.dwPlatformId == VER_PLATFORM_WIN32_NT && m.version.dwMajorVersion < 5;
    const DWORD known = nt4 ? 0 : WC_NO_BEST_FIT_CHARS;
    if ((flags & ~known) != 0) {
        m.lastError = ERROR_INVALID_FLAGS;
        return 0;
    }
    if (codePage != CP_ACP || !wide || size < 0 || wideCount == 0 || wideCount < -1) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    const char fallback = defaultChar ? *defaultChar : '?';
    bool defaulted = false;
    std::string converted;
    for (wchar_t c : Counted(wide, wideCount)) {
        char byte = fallback;
        bool bestFit = false;
        if (!ToByte(c, byte, bestFit) || (bestFit && (flags & WC_NO_BEST_FIT_CHARS))) {
            byte = fallback;
            defaulted = true;
        }
        converted += byte;
    }
    if (usedDefault) *usedDefault = defaulted ? TRUE : FALSE;
    return Deliver(converted, text, size);
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int count, LPWSTR wide,
                               int size) {
    Machine& m = M();
    if (codePage != CP_ACP || flags != 0 || !text || size < 0 || count == 0 || count < -1) {
        m.lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    std::wstring converted;
    for (char c : Counted(text, count)) {
        converted += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return Deliver(converted, wide, size);
}
