// The folders the uninstaller must never remove. The folders it is told to remove
// come from its command line and from files and registry values that anyone may
// write, so each one is checked against the system's own folders before anything is
// touched: by its text in every spelling, and on the NT family by the identity of the
// folder it reaches, which catches every other drive letter, junction and link.
#include <windows.h>

#include <string>
#include <vector>

#include "KestDel.h"
#include "WinSys.h"
#include "WinSysHandles.h"

namespace {

const char* const CurrentVersionKey = "\\Software\\Microsoft\\Windows\\CurrentVersion";
const char* const ProfileListKey = "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char* const ShellFoldersKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const ProgramFilesValues[] = {"ProgramFilesDir", "ProgramFilesDir (x86)",
                                          "ProgramW6432Dir", "CommonFilesDir"};
// What the system folders hold is the system's too: the system folder in each view of
// a 64-bit system ("Sysnative" is the real one as a 32-bit program names it; its usual
// name counts even when the system does not answer), the side-by-side store and the
// fonts.
const char* const SystemSubFolders[] = {"System32", "SysWOW64", "Sysnative", "WinSxS", "Fonts"};

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The characters of a text, each one or two bytes in the system's code page, so that
// the trail byte of a double-byte character is never taken for a backslash.
std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> characters;
    const char* begin = text.c_str();
    const char* end = begin + text.size();
    for (const char* p = begin; p < end;) {
        const char* next = CharNextA(p);
        if (next <= p || next > end) {
            next = p + 1;
        }
        characters.push_back(std::string(p, next));
        p = next;
    }
    return characters;
}

// A full path reduced to one comparable spelling "X:\name\name", without a trailing
// backslash and each name without the trailing dots and blanks that Windows drops.
// Empty when the path is no plain path on a drive: relative, a network or device
// path, a stream ("name:stream"), a name made only of dots or blanks (such as ".."),
// an empty name, a wildcard or a character no name may hold.
std::string NormalisedPath(const std::string& path, bool* isRoot) {
    const std::vector<std::string> characters = Characters(path);
    if (characters.size() < 3 || characters[0].size() != 1 || !IsDriveLetter(characters[0][0]) ||
        characters[1] != ":" || (characters[2] != "\\" && characters[2] != "/")) {
        return "";
    }
    std::vector<std::string> names(1);
    for (size_t i = 3; i < characters.size(); ++i) {
        const std::string& c = characters[i];
        if (c == "\\" || c == "/") {
            names.push_back("");
        } else if (c.size() == 1 && std::string(":*?\"<>|").find(c[0]) != std::string::npos) {
            return "";
        } else {
            names.back() += c;
        }
    }
    if (names.size() > 1 && names.back().empty()) {
        names.pop_back();  // one trailing backslash
    }
    std::string result = characters[0] + ":";
    for (std::string name : names) {
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
            name.pop_back();
        }
        if (name.empty() && names.size() > 1) {
            return "";
        }
        if (!name.empty()) {
            result += "\\" + name;
        }
    }
    *isRoot = result.size() == 2;
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

// The folders above a normalised path, nearest first ("C:\a\b" gives "C:\a", "C:").
std::vector<std::string> FoldersAbove(const std::string& normalised) {
    std::vector<std::string> above;
    std::string folder = normalised;
    while (folder.size() > 2) {
        folder = RemoveBackslash(FolderPart(folder));
        above.push_back(folder);
    }
    return above;
}

// True when `outer` is `inner` or one of the folders around it.
bool IsSameOrHolds(const std::string& outer, const std::string& inner) {
    if (CompareNoCase(outer, inner) == 0) {
        return true;
    }
    return inner.size() > outer.size() && inner[outer.size()] == '\\' &&
           CompareNoCase(outer, inner.substr(0, outer.size())) == 0;
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

std::string Expanded(const std::string& text) {
    if (text.empty()) {
        return text;
    }
    // A profile's path may be longer than any fixed buffer: it grows as the system asks.
    std::vector<char> buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.data(),
                                                       static_cast<DWORD>(buffer.size()));
        if (needed == 0) {
            return "";  // a folder we cannot name is not guessed at
        }
        if (needed <= buffer.size()) {
            return std::string(buffer.data());
        }
        buffer.resize(needed);
    }
}

std::string EnvironmentFolder(const char* name) {
    std::vector<char> buffer(1024, '\0');
    const DWORD length =
        GetEnvironmentVariableA(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return "";
    }
    return std::string(buffer.data(), length);
}

// Every profile the profile list registers, with the default and the public profile:
// the newer systems name these two by full paths, Windows 2000 and XP by names in the
// profiles folder.
StringList ProfileFolders(const std::string& profilesFolder) {
    StringList profiles;
    for (const std::string& key : ReadRegistrySubKeys(ProfileListKey, HKEY_LOCAL_MACHINE)) {
        profiles.push_back(Expanded(ReadRegistryText(
            "ProfileImagePath", std::string(ProfileListKey) + "\\" + key, HKEY_LOCAL_MACHINE)));
    }
    for (const char* value : {"Default", "Public"}) {
        profiles.push_back(Expanded(ReadRegistryText(value, ProfileListKey, HKEY_LOCAL_MACHINE)));
    }
    for (const char* value : {"DefaultUserProfile", "AllUsersProfile"}) {
        const std::string name = ReadRegistryText(value, ProfileListKey, HKEY_LOCAL_MACHINE);
        if (!name.empty() && !profilesFolder.empty()) {
            profiles.push_back(AddBackslash(profilesFolder) + name);
        }
    }
    return profiles;
}

// The running user's shell folders inside its own profile, each as the rest of its
// path after the profile folder ("\Documents").
StringList ProfileRelativeFolders(const std::string& ownProfile, const StringList& shellFolders) {
    StringList relative;
    const std::string profile = NormalisedFolder(ownProfile);
    if (profile.empty()) {
        return relative;
    }
    for (const std::string& folder : shellFolders) {
        const std::string normalised = NormalisedFolder(folder);
        if (normalised.size() > profile.size() && IsSameOrHolds(profile, normalised)) {
            relative.push_back(normalised.substr(profile.size()));
        }
    }
    return relative;
}

// On the NT family the Windows folder is the system's alone, unless the profiles lie in
// it (Windows NT 4.0 keeps them in its "Profiles" folder), where the desktop and the start
// menu are the user's: there, as on the older systems, only its system folders are.
bool WindowsFolderHoldsProfiles(const std::string& windows, const StringList& profileHolders) {
    const std::string folder = NormalisedFolder(windows);
    for (const std::string& holder : profileHolders) {
        const std::string normalised = NormalisedFolder(holder);
        if (!folder.empty() && !normalised.empty() && IsSameOrHolds(folder, normalised)) {
            return true;
        }
    }
    return false;
}

}  // namespace

// The identity of the folder a path reaches, whatever drive letter, junction or link
// leads there: its volume and its index on that volume.
FolderIdentity FolderIdentity::Of(const std::string& normalised) {
    FolderIdentity identity;
    const std::string path = normalised.size() == 2 ? normalised + "\\" : normalised;
    KernelHandle folder(CreateFileA(path.c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder.IsValid()) {
        return identity;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(folder.Get(), &information)) {
        return identity;
    }
    identity.known = true;
    identity.volume = information.dwVolumeSerialNumber;
    identity.indexHigh = information.nFileIndexHigh;
    identity.indexLow = information.nFileIndexLow;
    return identity;
}

bool FolderIdentity::operator==(const FolderIdentity& other) const {
    return known && other.known && volume == other.volume && indexHigh == other.indexHigh &&
           indexLow == other.indexLow;
}

ProtectedFolders::ProtectedFolders() : comparesIdentity_(DetectWindowsVersion()) {
    const std::string windows = GetWindowsFolder();
    const std::string profile = EnvironmentFolder("USERPROFILE");
    const std::string profileHolder = FolderPart(RemoveBackslash(profile));
    const std::string profilesFolder =
        Expanded(ReadRegistryText("ProfilesDirectory", ProfileListKey, HKEY_LOCAL_MACHINE));
    const bool windowsIsSystems =
        comparesIdentity_ && !WindowsFolderHoldsProfiles(windows, {profileHolder, profilesFolder});
    Add(windows, windowsIsSystems ? Rule::Inside : Rule::SameOrHolds);
    Add(GetSystemFolder(), Rule::Inside);
    if (!windows.empty()) {
        for (const char* name : SystemSubFolders) {
            Add(windows + name, Rule::Inside);
        }
    }
    // Every user's profile: the folder that holds them and each folder directly in it.
    Add(profile, Rule::SameOrHolds);
    Add(profileHolder, Rule::WithChildren);
    Add(profilesFolder, Rule::WithChildren);
    Add(KnownShellFolder(DesktopFolder), Rule::SameOrHolds);
    Add(KnownShellFolder(ProgramsFolder), Rule::SameOrHolds);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::string& folder : ReadRegistryTexts(ShellFoldersKey, root)) {
            Add(folder, Rule::SameOrHolds);
        }
    }
    // The user's shell folders in every other profile too, wherever that profile lies:
    // another user's documents are no less the system's to keep than one's own.
    const StringList relativeFolders =
        ProfileRelativeFolders(profile, ReadRegistryTexts(ShellFoldersKey, HKEY_CURRENT_USER));
    for (const std::string& other : ProfileFolders(profilesFolder)) {
        Add(other, Rule::SameOrHolds);
        for (const std::string& relative : relativeFolders) {
            Add(RemoveBackslash(other) + relative, Rule::SameOrHolds);
        }
    }
    for (const char* value : ProgramFilesValues) {
        Add(ReadRegistryText(value, CurrentVersionKey, HKEY_LOCAL_MACHINE), Rule::SameOrHolds);
    }
}

void ProtectedFolders::Add(const std::string& path, Rule rule) {
    const std::string normalised = NormalisedFolder(path);
    if (normalised.empty()) {
        return;
    }
    Folder folder;
    folder.spellings = Spellings(normalised);
    folder.rule = rule;
    if (comparesIdentity_) {
        folder.identity = FolderIdentity::Of(normalised);
        folderIdentities_.push_back(folder.identity);
        for (const std::string& above : FoldersAbove(normalised)) {
            folderIdentities_.push_back(FolderIdentity::Of(above));
        }
    }
    folders_.push_back(folder);
}

bool ProtectedFolders::Protects(const std::string& path) const {
    bool isRoot = false;
    const std::string candidate = NormalisedPath(path, &isRoot);
    if (candidate.empty() || isRoot) {
        return true;
    }
    const std::vector<std::string> candidateSpellings = Spellings(candidate);
    for (const Folder& folder : folders_) {
        for (const std::string& known : folder.spellings) {
            for (const std::string& spelling : candidateSpellings) {
                if (RuleHolds(folder.rule, spelling, known)) {
                    return true;
                }
            }
        }
    }
    return comparesIdentity_ && ProtectsByIdentity(candidate);
}

bool ProtectedFolders::RuleHolds(Rule rule, const std::string& candidate,
                                 const std::string& known) {
    if (IsSameOrHolds(candidate, known)) {
        return true;
    }
    switch (rule) {
        case Rule::Inside:
            return IsSameOrHolds(known, candidate);
        case Rule::WithChildren:
            return CompareNoCase(RemoveBackslash(FolderPart(candidate)), known) == 0;
        case Rule::SameOrHolds:
            break;
    }
    return false;
}

// The candidate is, or holds, a protected folder when its identity is that of one of
// them or of a folder above one; it lies in a protected folder when a folder above it
// has that folder's identity.
bool ProtectedFolders::ProtectsByIdentity(const std::string& candidate) const {
    const FolderIdentity identity = FolderIdentity::Of(candidate);
    for (const FolderIdentity& known : folderIdentities_) {
        if (identity == known) {
            return true;
        }
    }
    const std::vector<std::string> above = FoldersAbove(candidate);
    for (size_t i = 0; i < above.size(); ++i) {
        const FolderIdentity aboveIdentity = FolderIdentity::Of(above[i]);
        for (const Folder& folder : folders_) {
            const bool holdsCandidate =
                folder.rule == Rule::Inside || (folder.rule == Rule::WithChildren && i == 0);
            if (holdsCandidate && aboveIdentity == folder.identity) {
                return true;
            }
        }
    }
    return false;
}

namespace {

// The set of the uninstall in progress, when one is.
const ProtectedFolders* CurrentProtection = nullptr;

}  // namespace

ProtectionScope::ProtectionScope() : previous_(CurrentProtection) { CurrentProtection = &folders_; }

ProtectionScope::~ProtectionScope() { CurrentProtection = previous_; }

bool IsProtectedFolder(const std::string& path) {
    if (CurrentProtection != nullptr) {
        return CurrentProtection->Protects(path);
    }
    return ProtectedFolders().Protects(path);
}

bool IsSameFolder(const std::string& a, const std::string& b) {
    const std::string first = NormalisedFolder(a);
    const std::string second = NormalisedFolder(b);
    if (first.empty() || second.empty()) {
        return false;
    }
    for (const std::string& one : Spellings(first)) {
        for (const std::string& other : Spellings(second)) {
            if (CompareNoCase(one, other) == 0) {
                return true;
            }
        }
    }
    return DetectWindowsVersion() && FolderIdentity::Of(first) == FolderIdentity::Of(second);
}
