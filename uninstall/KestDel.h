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

// Removal to the recycle bin.
bool FolderExists(const std::string& path);
bool RemoveFile(const std::string& path);
bool RemoveEmptyFolder(const std::string& path);
bool RemoveDirectoryTree(const std::string& path);

// The removal judge: every rule on what the uninstaller may remove, in one place. The
// removal routines gather what is known of a candidate right before they act, ask the
// judge, and act on its answer alone.
enum class RemovalSubject {
    File,         // a file named by the caller
    FontFile,     // a file a font list names
    Shortcut,     // the desktop shortcut, named by the shortcut name
    Folder,       // a folder named by the caller, or one about to be entered again
    ListedEntry,  // an entry of a folder's listing, to be walked
    TreeEntry,    // an entry the shell would take along with its folder
    FolderLeft,   // a folder still there after its removal was tried
};
enum class Verdict {
    NothingToDo,   // nothing there: done
    Remove,        // a file or folder to remove
    Enter,         // a listed sub-folder to walk
    PassOver,      // left alone, no report: another step owns it or it must survive
    Stays,         // refused or not removed: reported and counted
    KeptSilently,  // stays, neither reported nor counted
};
enum class RemovalReason {
    None,
    Missing,            // not there
    NotAFile,           // a folder where a file was named
    NotAFolder,         // a file where a folder was named
    Unknown,            // the platform would not tell what is there
    Wildcard,           // the path would match other names than its own
    OddName,            // a listed name that is no plain name of this folder
    Link,               // a junction or symbolic link
    Protected,          // one of the system's folders, or a folder holding one
    ChangedFolder,      // not the folder that was listed or checked any more
    OutsideFontFolder,  // a font list line naming a file elsewhere
    ShortcutName,       // a shortcut name holding separators or wildcards
    DotName,            // a name beginning with a dot
    FontFolder,         // a font folder, removed through its font list
    SystemFile,         // a system file or a volume label
    Uninstaller,        // the running uninstaller
    ProgramFolder,      // the running uninstaller's folder, removed at the next start
    NotRemoved,         // its removal failed
};
struct RemovalFacts {
    RemovalSubject subject = RemovalSubject::File;
    std::string path;                            // the full path acted on
    std::string name;                            // a listed entry's name, or the shortcut name
    DWORD attributes = INVALID_FILE_ATTRIBUTES;  // as read right before: nothing there
    bool attributesKnown = true;                 // false when the platform refused to tell
    bool isProtected = false;                    // the protected set's answer for a folder
    bool isProgramFolder = false;
    bool isRepeatedName = false;  // the listing held this name before
    bool isInFontFolder = true;   // a font file in the folder of its list
    FolderIdentity identity;      // a folder's identity now
    FolderIdentity expected;      // and when it was checked or listed (unknown: not compared)
};
struct RemovalDecision {
    Verdict verdict;
    RemovalReason reason;
    bool operator==(const RemovalDecision& other) const {
        return verdict == other.verdict && reason == other.reason;
    }
};
RemovalDecision JudgeRemoval(const RemovalFacts& facts);
// RemoveFile for a file whose subject, name and font-folder membership the caller gave.
bool RemoveNamedFile(const RemovalFacts& facts);
// Shows the box of a file or folder that stays and counts it: the one report of removal.
void ReportFileFailure(const std::string& path);
void ReportFolderFailure(const std::string& path);
// Counts a wait during removal: a box, or a shell call that may ask the user. After one,
// a folder is checked again before anything in it is removed by name.
void NoteRemovalWait();
// The identity of the folder a path reaches now.
FolderIdentity IdentityOf(const std::string& folder);
// Whether a font folder may be read and touched: there, no link, not protected. Reports
// a folder that stays; `identity` receives the folder's identity for later checks.
enum class FolderCheck { NothingToDo, Stays, Remove };
FolderCheck CheckNamedFolder(const std::string& path, FolderIdentity* identity);
unsigned long RemovalWaitCount();
// Checks a folder again when a wait came since `checkedAtWait` (a RemovalWaitCount): still
// the one checked before, and no link. One that changed is reported.
bool IsFolderUnchanged(const std::string& path, const FolderIdentity& expected,
                       unsigned long* checkedAtWait);

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
