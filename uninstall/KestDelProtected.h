// The system's folders that the uninstaller must never remove.
#ifndef KEST_UNINSTALL_KESTDELPROTECTED_H
#define KEST_UNINSTALL_KESTDELPROTECTED_H

#include <string>
#include <vector>

#include "WinSysFiles.h"

// The system's folders that the uninstaller must never remove, read once: each in
// its long and short spelling and, on the NT family, with its identity.
class ProtectedFolders {
public:
    ProtectedFolders();
    // True for a path that is not a plain full path on a drive, a root, a protected
    // folder, a folder holding one, or a folder inside one whose insides are protected.
    bool Protects(const std::string& path) const;

private:
    enum class Rule {
        SameOrHolds,   // the folder and every folder around it
        Inside,        // and everything inside it
        WithChildren,  // and each folder directly in it (the profiles)
    };
    struct Folder {
        std::vector<std::string> spellings;
        FolderIdentity identity;
        Rule rule = Rule::SameOrHolds;
    };
    void Add(const std::string& path, Rule rule);
    static bool RuleHolds(Rule rule, const std::string& candidate, const std::string& known);
    bool ProtectsByIdentity(const std::string& candidate) const;

    bool comparesIdentity_;  // the NT family; the older systems compare text alone
    std::vector<Folder> folders_;
    std::vector<FolderIdentity> folderIdentities_;  // the folders and every folder above one
};

// While an instance lives, IsProtectedFolder answers from the set it read when it was
// made: one uninstall reads the system's folders once.
class ProtectionScope {
public:
    ProtectionScope();
    ~ProtectionScope();
    ProtectionScope(const ProtectionScope&) = delete;
    ProtectionScope& operator=(const ProtectionScope&) = delete;

private:
    const ProtectedFolders* previous_;
    ProtectedFolders folders_;
};

bool IsProtectedFolder(const std::string& path);

#endif
