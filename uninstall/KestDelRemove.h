// Removal of files and folders for the uninstaller: to the recycle bin, each failure
// reported and counted, every rule on what may be removed in one judge.
#ifndef KEST_UNINSTALL_KESTDELREMOVE_H
#define KEST_UNINSTALL_KESTDELREMOVE_H

#include <windows.h>

#include <string>

#include "WinSysFiles.h"

// Removal to the recycle bin.
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
// Whether a font folder may be read and touched: there, no link, not protected. Reports
// a folder that stays; `identity` receives the folder's identity for later checks.
enum class FolderCheck { NothingToDo, Stays, Remove };
FolderCheck CheckNamedFolder(const std::string& path, FolderIdentity* identity);
unsigned long RemovalWaitCount();
// Checks a folder again when a wait came since `checkedAtWait` (a RemovalWaitCount): still
// the one checked before, and no link. One that changed is reported.
bool IsFolderUnchanged(const std::string& path, const FolderIdentity& expected,
                       unsigned long* checkedAtWait);

#endif
