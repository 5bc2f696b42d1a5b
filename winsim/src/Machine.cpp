// The simulated machine: life cycle, defaults and transcript.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Internal.h"

namespace winsim {

namespace {
Machine* current = nullptr;

TokenGroup Group(std::initializer_list<BYTE> authority, std::vector<DWORD> subs, DWORD attributes) {
    TokenGroup g{};
    std::copy(authority.begin(), authority.end(), g.authority);
    g.subAuthorities = std::move(subs);
    g.attributes = attributes;
    return g;
}
}  // namespace

Machine& M() {
    if (!current) {
        std::fprintf(stderr, "winsim: a Win32 function was called without a Machine\n");
        std::abort();
    }
    return *current;
}

void Record(const std::string& line) { M().transcript.push_back(line); }

std::string Lower(const std::string& s) {
    std::string out = s;
    for (auto& c : out) {
        unsigned char u = static_cast<unsigned char>(c);
        // Windows-1252: A-Z and the Latin-1 capitals C0-DE (but D7) lower-case by +32;
        // 8A, 8C, 8E and 9F have their own small letters.
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
            u = static_cast<unsigned char>(u + 32);
        else if (u == 0x8A || u == 0x8C || u == 0x8E)
            u = static_cast<unsigned char>(u + 16);
        else if (u == 0x9F)
            u = 0xFF;
        c = static_cast<char>(u);
    }
    return out;
}

std::string RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return "HKLM";
    if (root == HKEY_CURRENT_USER) return "HKCU";
    if (root == HKEY_CLASSES_ROOT) return "HKCR";
    if (root == HKEY_USERS) return "HKU";
    return "?";
}

Machine::Machine() : impl(new Impl) {
    impl->previous = current;
    current = this;
    std::memset(&version, 0, sizeof version);
    SetVersion(10, 0, VER_PLATFORM_WIN32_NT, 19041);
    const std::initializer_list<BYTE> world = {0, 0, 0, 0, 0, 1};
    const std::initializer_list<BYTE> nt = {0, 0, 0, 0, 0, 5};
    const DWORD on = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
    token.processGroups = {Group(world, {0}, on), Group(nt, {32, 545}, on),
                           Group(nt, {32, 544}, on)};
    commandLine = "Setup.exe";
    moduleFileName = "C:\\Setup\\Setup.exe";
    currentFolder = "C:\\";
    windowsFolder = "C:\\Windows";
    systemFolder = "C:\\Windows\\System32";
    tempPath = "C:\\Windows\\Temp\\";
    messageTexts = DefaultMessageTexts();
    InitRegistry(*this);
    InitDefaultFiles(*this);
}

Machine::~Machine() { current = impl->previous; }

Machine& Machine::Current() { return M(); }

void Machine::SetVersion(DWORD major, DWORD minor, DWORD platformId, DWORD build) {
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    version.dwMajorVersion = major;
    version.dwMinorVersion = minor;
    version.dwPlatformId = platformId;
    version.dwBuildNumber = build;
}

void Machine::SetAdministrator(bool isAdmin, DWORD attributes) {
    std::vector<TokenGroup> kept;
    for (const auto& g : token.processGroups) {
        bool admins = g.authority[5] == 5 && g.subAuthorities.size() == 2 &&
                      g.subAuthorities[0] == 32 && g.subAuthorities[1] == 544;
        if (!admins) kept.push_back(g);
    }
    if (isAdmin) kept.push_back(Group({0, 0, 0, 0, 0, 5}, {32, 544}, attributes));
    token.processGroups = kept;
}

std::string Machine::Transcript() const {
    std::string out;
    for (const auto& line : transcript) {
        if (!out.empty()) out += "\n";
        out += line;
    }
    return out;
}

std::vector<std::string> Machine::Lines(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& line : transcript)
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
}

}  // namespace winsim
