// The uninstaller: confirmation, unregistering, shortcuts, fonts, folders to the
// recycle bin, registry clean-up and restart commands.
#ifndef KEST_UNINSTALL_KESTDEL_H
#define KEST_UNINSTALL_KESTDEL_H

#include <windows.h>

#include <string>
#include <vector>

void InitializeKestDel();
void FinalizeKestDel();  // empties ProgramFolder and DataFolder

bool UninstallProgram(const std::string& executablePath, std::string menuFolderName,
                      std::string shortcutName, const std::string& dataFolder,
                      const std::string& extraFolder);

// Removal to the recycle bin.
bool FolderExists(const std::string& path);
bool RemoveFile(const std::string& path);
// "File not deleted: " + path, counted: a file that stays.
void ReportFileFailure(const std::string& path);
bool RemoveEmptyFolder(const std::string& path);
bool RemoveDirectoryTree(const std::string& path);

// The identity of the folder a path reaches: its volume's serial number and its index
// there. Unknown when the folder cannot be opened; unknown identities never match.
struct FolderIdentity {
    bool known = false;
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    static FolderIdentity Of(const std::string& normalisedPath);
    bool operator==(const FolderIdentity& other) const;
};

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
// Two paths of the same folder, compared as the protection compares folders.
bool IsSameFolder(const std::string& a, const std::string& b);

// Font removal and Fonts.Reg.
bool RemoveFonts(const std::string& fontFolder);

// Shortcut removal.
bool RemoveShortcuts(const std::string& menuFolderName, const std::string& shortcutName);

#endif
