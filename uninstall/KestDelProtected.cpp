// The folders the uninstaller must never remove. The folders it is told to remove
// come from its command line and from files and registry values that anyone may
// write, so each one is checked against the system's own folders before anything is
// touched: by its text in every spelling, and on the NT family by the identity of the
// folder it reaches, which catches every other drive letter, junction and link.
#include "KestDelProtected.h"

#include <windows.h>

#include <string>
#include <vector>

#include "ProductNames.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysFiles.h"
#include "WinSysRegistry.h"
#include "WinSysShell.h"

namespace {

const char* const ProgramFilesValues[] = {"ProgramFilesDir", "ProgramFilesDir (x86)",
                                          "ProgramW6432Dir", "CommonFilesDir"};
// What the system folders hold is the system's too: the system folder in each view of
// a 64-bit system ("Sysnative" is the real one as a 32-bit program names it; its usual
// name counts even when the system does not answer), the side-by-side store and the
// fonts.
const char* const SystemSubFolders[] = {"System32", "SysWOW64", "Sysnative", "WinSxS",
                                        FontFolderName};

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
    for (const std::string& key : TryReadRegistrySubKeys(ProfileListKeyPath, HKEY_LOCAL_MACHINE)) {
        profiles.push_back(Expanded(TryReadRegistryString(
            "ProfileImagePath", std::string(ProfileListKeyPath) + "\\" + key, HKEY_LOCAL_MACHINE)));
    }
    for (const char* value : {"Default", "Public"}) {
        profiles.push_back(
            Expanded(TryReadRegistryString(value, ProfileListKeyPath, HKEY_LOCAL_MACHINE)));
    }
    for (const char* value : {"DefaultUserProfile", "AllUsersProfile"}) {
        const std::string name =
            TryReadRegistryString(value, ProfileListKeyPath, HKEY_LOCAL_MACHINE);
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
    const std::string profile = NormalisedPath(ownProfile);
    if (profile.empty()) {
        return relative;
    }
    for (const std::string& folder : shellFolders) {
        const std::string normalised = NormalisedPath(folder);
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
    const std::string folder = NormalisedPath(windows);
    for (const std::string& holder : profileHolders) {
        const std::string normalised = NormalisedPath(holder);
        if (!folder.empty() && !normalised.empty() && IsSameOrHolds(folder, normalised)) {
            return true;
        }
    }
    return false;
}

}  // namespace

ProtectedFolders::ProtectedFolders() : comparesIdentity_(DetectWindowsVersion()) {
    const std::string windows = GetWindowsFolder();
    const std::string profile = EnvironmentFolder("USERPROFILE");
    const std::string profileHolder = FolderPart(RemoveBackslash(profile));
    const std::string profilesFolder = Expanded(
        TryReadRegistryString("ProfilesDirectory", ProfileListKeyPath, HKEY_LOCAL_MACHINE));
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
        for (const std::string& folder : TryReadRegistryStrings(ShellFoldersKeyPath, root)) {
            Add(folder, Rule::SameOrHolds);
        }
    }
    // The user's shell folders in every other profile too, wherever that profile lies:
    // another user's documents are no less the system's to keep than one's own.
    const StringList relativeFolders = ProfileRelativeFolders(
        profile, TryReadRegistryStrings(ShellFoldersKeyPath, HKEY_CURRENT_USER));
    for (const std::string& other : ProfileFolders(profilesFolder)) {
        Add(other, Rule::SameOrHolds);
        for (const std::string& relative : relativeFolders) {
            Add(RemoveBackslash(other) + relative, Rule::SameOrHolds);
        }
    }
    for (const char* value : ProgramFilesValues) {
        Add(TryReadRegistryString(value, CurrentVersionKeyPath, HKEY_LOCAL_MACHINE),
            Rule::SameOrHolds);
    }
}

void ProtectedFolders::Add(const std::string& path, Rule rule) {
    const std::string normalised = NormalisedPath(path);
    if (normalised.empty()) {
        return;
    }
    Folder folder;
    folder.spellings = PathSpellings(normalised);
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
    const std::string candidate = NormalisedPath(path);
    // A root holds every protected folder on its drive.
    if (candidate.size() <= 2) {
        return true;
    }
    const std::vector<std::string> candidateSpellings = PathSpellings(candidate);
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
