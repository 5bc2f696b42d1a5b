// Removal of files and folders for the uninstaller. Everything goes to the recycle
// bin first so that the user can restore it; whatever stays is reported in its own
// box and counted, and that count decides the outcome of the uninstall.
//
// The folders removed are ones that other users may write: any name in them may turn
// into a link, or the folder itself be swapped for one, at any moment. So every rule on
// what may be removed lives in one judge (JudgeRemoval), asked right before each act
// with what was read right before it, and no wait (a box, a shell call that may ask the
// user) lies between a check and the act it allows: after a wait, a folder is checked
// again before anything in it is removed by name.
#include "KestDelRemove.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "KestDelProtected.h"
#include "ProductNames.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysFiles.h"
#include "WinSysHandles.h"

namespace {

// The volume-label bit; the platform's own headers do not all name it.
const DWORD VolumeLabelAttribute = 0x8;

// Waits so far: boxes and shell calls that may ask the user.
unsigned long RemovalWaits = 0;

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool IsFolderAttribute(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

bool HasWildcard(const std::string& path) { return HoldsCharacterOf(path, WildcardCharacters); }

// A name that no name in a folder may be. A listed name may be one all the same: the
// system lists a name it cannot express in the code page with the nearest characters it
// has ("x＼..＼y" becomes "x\..\y") and '?' for the others.
bool IsPlainName(const std::string& name) {
    return !HoldsCharacterOf(name, ForbiddenNameCharacters);
}

bool IsDotsEntry(const std::string& name) { return name == "." || name == ".."; }

RemovalDecision Decide(Verdict verdict, RemovalReason reason) { return {verdict, reason}; }

// A listed name that cannot be acted on by name: it would reach another file than the
// one listed. The folder's own "." and ".." come once each, as folders.
bool IsOddName(const RemovalFacts& facts) {
    if (facts.isRepeatedName || facts.name.empty()) {
        return true;
    }
    if (IsDotsEntry(facts.name)) {
        return !IsFolderAttribute(facts.attributes);
    }
    return !IsPlainName(facts.name);
}

RemovalDecision JudgeFile(const RemovalFacts& facts) {
    if (facts.subject == RemovalSubject::Shortcut && !IsPlainName(facts.name)) {
        return Decide(Verdict::Stays, RemovalReason::ShortcutName);
    }
    if (facts.subject == RemovalSubject::FontFile && !facts.isInFontFolder) {
        return Decide(Verdict::Stays, RemovalReason::OutsideFontFolder);
    }
    if (facts.path.empty()) {
        return Decide(Verdict::NothingToDo, RemovalReason::Missing);
    }
    if (HasWildcard(facts.path)) {
        return Decide(Verdict::Stays, RemovalReason::Wildcard);
    }
    if (!facts.attributesKnown) {
        // What may be there is tried; a failure is reported.
        return Decide(Verdict::Remove, RemovalReason::Unknown);
    }
    if (facts.attributes == INVALID_FILE_ATTRIBUTES) {
        return Decide(Verdict::NothingToDo, RemovalReason::Missing);
    }
    if (IsFolderAttribute(facts.attributes)) {
        return Decide(Verdict::NothingToDo, RemovalReason::NotAFile);
    }
    return Decide(Verdict::Remove, RemovalReason::None);
}

// A folder that is not there is nothing to do, whatever its form; one that is there is
// removed only when it is no protected folder, no link, and still the folder checked
// before.
RemovalDecision JudgeFolder(const RemovalFacts& facts) {
    if (facts.path.empty() ||
        (facts.attributesKnown && facts.attributes == INVALID_FILE_ATTRIBUTES)) {
        return Decide(Verdict::NothingToDo, RemovalReason::Missing);
    }
    if (facts.isProtected) {
        return Decide(Verdict::Stays, RemovalReason::Protected);
    }
    if (!facts.attributesKnown) {
        return Decide(Verdict::Stays, RemovalReason::Unknown);
    }
    if (!IsFolderAttribute(facts.attributes)) {
        return Decide(Verdict::NothingToDo, RemovalReason::NotAFolder);
    }
    if (IsLink(facts.attributes)) {
        return Decide(Verdict::Stays, RemovalReason::Link);
    }
    if (facts.expected.known && !(facts.identity == facts.expected)) {
        return Decide(Verdict::Stays, RemovalReason::ChangedFolder);
    }
    return Decide(Verdict::Remove, RemovalReason::None);
}

// An entry of a folder being walked: names beginning with a dot, font folders (their
// fonts go through their list), system files, volume labels and the running uninstaller
// stay where they are; a link or an odd name stays, reported.
RemovalDecision JudgeListedEntry(const RemovalFacts& facts) {
    const bool isFolder = IsFolderAttribute(facts.attributes);
    if (IsOddName(facts)) {
        return Decide(Verdict::Stays, RemovalReason::OddName);
    }
    if (facts.name[0] == '.') {
        return Decide(Verdict::PassOver, RemovalReason::DotName);
    }
    if (isFolder && CompareNoCase(facts.name, FontFolderName) == 0) {
        return Decide(Verdict::PassOver, RemovalReason::FontFolder);
    }
    if (isFolder && IsLink(facts.attributes)) {
        return Decide(Verdict::Stays, RemovalReason::Link);
    }
    if (isFolder) {
        return Decide(Verdict::Enter, RemovalReason::None);
    }
    if ((facts.attributes & (FILE_ATTRIBUTE_SYSTEM | VolumeLabelAttribute)) != 0) {
        return Decide(Verdict::PassOver, RemovalReason::SystemFile);
    }
    if (CompareNoCase(facts.name, UninstallerFileName) == 0) {
        return Decide(Verdict::PassOver, RemovalReason::Uninstaller);
    }
    return Decide(Verdict::Remove, RemovalReason::None);
}

// An entry the shell would take along when its folder goes whole: a link (which a delete
// for good would follow) or an odd name keeps the folder from going whole.
RemovalDecision JudgeTreeEntry(const RemovalFacts& facts) {
    if (IsOddName(facts)) {
        return Decide(Verdict::Stays, RemovalReason::OddName);
    }
    if (IsDotsEntry(facts.name)) {
        return Decide(Verdict::PassOver, RemovalReason::DotName);
    }
    if (IsLink(facts.attributes)) {
        return Decide(Verdict::Stays, RemovalReason::Link);
    }
    if (IsFolderAttribute(facts.attributes)) {
        return Decide(Verdict::Enter, RemovalReason::None);
    }
    return Decide(Verdict::Remove, RemovalReason::None);
}

// The error of a look-up that found nothing because nothing is there. Any other error
// (a refused search, a file in use, a server that does not answer) proves nothing about
// what the path holds.
bool IsAbsence(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME ||
           error == ERROR_INVALID_DRIVE || error == ERROR_NOT_READY;
}

// The attributes of a path as the platform answers now; a path that is not there
// answers INVALID_FILE_ATTRIBUTES and counts as known.
void ReadAttributes(const std::string& path, RemovalFacts& facts) {
    facts.attributes = GetFileAttributesA(path.c_str());
    facts.attributesKnown =
        facts.attributes != INVALID_FILE_ATTRIBUTES || IsAbsence(GetLastError());
}

// What is known of a folder now. The attributes are read without a trailing backslash,
// with which Wine answers for a link's target.
RemovalFacts FolderFacts(const std::string& path, const FolderIdentity& expected) {
    RemovalFacts facts;
    facts.subject = RemovalSubject::Folder;
    facts.path = path;
    if (path.empty()) {
        return facts;
    }
    ReadAttributes(RemoveBackslash(path), facts);
    if (facts.attributesKnown && facts.attributes == INVALID_FILE_ATTRIBUTES) {
        return facts;
    }
    facts.isProtected = IsProtectedFolder(path);
    facts.expected = expected;
    if (expected.known) {
        facts.identity = FolderIdentity::Of(path);
    }
    return facts;
}

// What one folder holds, split the way the tree removal treats it, each list in the
// order of the directory search.
struct FolderEntries {
    std::vector<std::string> files;
    std::vector<std::string> subFolders;
    std::vector<std::string> stayingFiles;    // odd names
    std::vector<std::string> stayingFolders;  // links and odd names
    bool complete = true;                     // false when the search broke off with an error
};

RemovalFacts EntryFacts(RemovalSubject subject, const std::string& folder,
                        const WIN32_FIND_DATAA& entry, std::vector<std::string>& seen) {
    RemovalFacts facts;
    facts.subject = subject;
    facts.name = entry.cFileName;
    facts.path = folder + facts.name;
    facts.attributes = entry.dwFileAttributes;
    // A plain list, not a search tree: the tree's balancing code would cost the program more
    // than the search of a folder's names costs in time.
    facts.isRepeatedName = std::find(seen.begin(), seen.end(), facts.name) != seen.end();
    if (!facts.isRepeatedName) {
        seen.push_back(facts.name);
    }
    return facts;
}

// Lists the folder completely before anything in it is removed. A folder that cannot
// be searched gives no entries; a search that breaks off with an error leaves the
// listing incomplete.
FolderEntries ListFolder(const std::string& folder) {
    FolderEntries entries;
    WIN32_FIND_DATAA entry = {};
    DirectorySearch search(folder + "*.*", entry);
    if (!search.Found()) {
        entries.complete = GetLastError() == ERROR_FILE_NOT_FOUND;
        return entries;
    }
    std::vector<std::string> seen;
    do {
        const RemovalFacts facts = EntryFacts(RemovalSubject::ListedEntry, folder, entry, seen);
        const bool isFolder = IsFolderAttribute(facts.attributes);
        switch (JudgeRemoval(facts).verdict) {
            case Verdict::Remove:
                entries.files.push_back(facts.name);
                break;
            case Verdict::Enter:
                entries.subFolders.push_back(facts.name);
                break;
            case Verdict::Stays:
                (isFolder ? entries.stayingFolders : entries.stayingFiles).push_back(facts.name);
                break;
            default:
                break;
        }
    } while (search.Next(entry));
    entries.complete = GetLastError() == ERROR_NO_MORE_FILES;
    return entries;
}

// Whether the folder may go whole: nothing the shell would take along is a link or
// bears an odd name. Were the shell to fall back to a delete for good, it would follow
// a link and delete what it leads to.
bool HoldsStayingEntry(const std::string& folder) {
    WIN32_FIND_DATAA entry = {};
    DirectorySearch search(folder + "*.*", entry);
    if (!search.Found()) {
        return false;
    }
    std::vector<std::string> seen;
    std::vector<std::string> subFolders;
    do {
        const RemovalFacts facts = EntryFacts(RemovalSubject::TreeEntry, folder, entry, seen);
        switch (JudgeRemoval(facts).verdict) {
            case Verdict::Stays:
                return true;
            case Verdict::Enter:
                subFolders.push_back(facts.name);
                break;
            default:
                break;
        }
    } while (search.Next(entry));
    search.Close();
    for (const std::string& name : subFolders) {
        if (HoldsStayingEntry(folder + name + "\\")) {
            return true;
        }
    }
    return false;
}

bool IsEmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA entry = {};
    DirectorySearch search(AddBackslash(folder) + "*.*", entry);
    if (!search.Found()) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        if (!IsDotsEntry(entry.cFileName)) {
            return false;
        }
    } while (search.Next(entry));
    return true;
}

// The shell's move to the recycle bin: a wait, since the shell may ask the user.
RecycleOutcome Recycle(const std::string& path) {
    NoteRemovalWait();
    return RecycleItem(path);
}

// Where the recycle bin cannot take a folder, the shell would ask inside its own call
// and then delete for good whatever the folder holds by then. The question is asked
// here instead, before anything is checked and deleted.
bool UserAgreesToDeleteForGood(const std::string& folder) {
    NoteRemovalWait();
    const std::string text = "There is no recycle bin for " + RemoveBackslash(folder) +
                             ". Delete this folder and everything in it for good?";
    return CheckedMessageBox(nullptr, text, DirectoryDeleteCaption, MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

// The removal of a file once the judge has allowed it: to the recycle bin, or for good
// in a tree the user chose to delete so. The shell, and Wine's DeleteFileA (which
// deletes when the file is closed), may answer success and leave the file when the
// system refuses the delete: only a file that is gone counts.
bool RemoveAllowedFile(const std::string& path, bool forGood) {
    if (forGood) {
        return DeleteFileA(path.c_str()) != FALSE && !FileIsPresent(path);
    }
    return Recycle(path) == RecycleOutcome::Gone && !FileIsPresent(path);
}

bool RemoveJudgedFile(RemovalFacts facts, bool forGood) {
    ReadAttributes(facts.path, facts);
    switch (JudgeRemoval(facts).verdict) {
        case Verdict::NothingToDo:
            return true;
        case Verdict::Remove:
            if (RemoveAllowedFile(facts.path, forGood)) {
                return true;
            }
            break;
        default:
            break;
    }
    ReportFileFailure(facts.path);
    return false;
}

bool RemoveTree(const std::string& path, bool forGood);

// A folder the shell cannot take: removed if empty; when it still holds something, the
// user is asked and the tree deleted for good entry by entry.
bool RemoveFolderItself(const std::string& path, bool forGood, const FolderIdentity& checked,
                        bool* handledWhole) {
    if (forGood) {
        return RemoveDirectoryA(path.c_str()) != FALSE;
    }
    if (HoldsStayingEntry(AddBackslash(path))) {
        return RemoveDirectoryA(path.c_str()) != FALSE;
    }
    if (!IsRecycleBinUsable(path) && !IsEmptyFolder(path)) {
        *handledWhole = true;
        return RemoveTree(path, false);
    }
    switch (Recycle(path)) {
        case RecycleOutcome::Gone:
            return true;
        case RecycleOutcome::Kept:
            return false;
        case RecycleOutcome::Failed:
            break;
    }
    unsigned long checkedAt = 0;
    if (!IsFolderUnchanged(path, checked, &checkedAt)) {
        *handledWhole = true;
        return false;
    }
    return RemoveDirectoryA(path.c_str()) != FALSE;
}

// A folder with whatever it still holds: to the recycle bin, or, when the shell cannot
// take it, removed if empty.
bool RemoveFolder(const std::string& path, bool forGood) {
    FolderIdentity checked;
    const FolderCheck check = CheckNamedFolder(path, &checked);
    if (check != FolderCheck::Remove) return check == FolderCheck::NothingToDo;
    // Read-only, hidden or system attributes would stop the plain removal; when they
    // cannot be cleared, that removal fails and is reported.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    bool handledWhole = false;
    const bool removed = RemoveFolderItself(path, forGood, checked, &handledWhole);
    if (removed || handledWhole) {
        return removed;
    }
    RemovalFacts left;
    left.subject = RemovalSubject::FolderLeft;
    left.path = path;
    left.isProgramFolder = CompareNoCase(path, State.ProgramFolder) == 0;
    if (JudgeRemoval(left).verdict == Verdict::KeptSilently) {
        return true;
    }
    ReportFolderFailure(path);
    return false;
}

// Walks a folder that does not go whole: its files, then its sub-folders, then the
// folder itself. After every wait the folder is checked again before anything in it is
// removed by name; one that changed is reported once and not entered again.
bool RemoveListedEntries(const std::string& folder, bool forGood, const FolderIdentity& listed,
                         unsigned long checkedAt) {
    if (!IsFolderUnchanged(folder, listed, &checkedAt)) {
        return false;
    }
    const FolderEntries entries = ListFolder(folder);
    bool removed = true;
    for (const std::string& name : entries.files) {
        if (!IsFolderUnchanged(folder, listed, &checkedAt)) {
            return false;
        }
        RemovalFacts facts;
        facts.path = folder + name;
        removed = RemoveJudgedFile(facts, forGood) && removed;
    }
    for (const std::string& name : entries.subFolders) {
        if (!IsFolderUnchanged(folder, listed, &checkedAt)) {
            return false;
        }
        const std::string subPath = folder + name;
        removed = RemoveTree(subPath, forGood) && removed;
        if (!IsFolderUnchanged(folder, listed, &checkedAt)) {
            return false;
        }
        removed = RemoveFolder(subPath, forGood) && removed;
    }
    // A link or an odd name is neither entered nor removed: it stays, once reported.
    for (const std::string& name : entries.stayingFolders) {
        ReportFolderFailure(folder + name);
        removed = false;
    }
    for (const std::string& name : entries.stayingFiles) {
        ReportFileFailure(folder + name);
        removed = false;
    }
    if (!IsFolderUnchanged(folder, listed, &checkedAt)) {
        return false;
    }
    removed = RemoveFolder(folder, forGood) && removed;
    // The program folder stays without a report; whatever an incomplete listing
    // missed in it would stay unnoticed.
    if (removed && !entries.complete && FolderExists(folder)) {
        ReportFolderFailure(folder);
        removed = false;
    }
    return removed;
}

bool RemoveTree(const std::string& path, bool forGood) {
    FolderIdentity listed;
    const FolderCheck check = CheckNamedFolder(path, &listed);
    if (check != FolderCheck::Remove) return check == FolderCheck::NothingToDo;
    const unsigned long checkedAt = RemovalWaits;
    const std::string folder = AddBackslash(path);
    if (!forGood && !IsRecycleBinUsable(folder)) {
        if (!UserAgreesToDeleteForGood(folder)) {
            ReportFolderFailure(folder);
            return false;
        }
        forGood = true;
    } else if (!forGood && !HoldsStayingEntry(folder)) {
        switch (Recycle(folder)) {
            case RecycleOutcome::Gone:
                return true;
            case RecycleOutcome::Kept:
                // The user chose to keep the folder: it is not walked to ask again for
                // every file in it.
                ReportFolderFailure(folder);
                return false;
            case RecycleOutcome::Failed:
                break;
        }
    }
    return RemoveListedEntries(folder, forGood, listed, checkedAt);
}

}  // namespace

RemovalDecision JudgeRemoval(const RemovalFacts& facts) {
    switch (facts.subject) {
        case RemovalSubject::File:
        case RemovalSubject::FontFile:
        case RemovalSubject::Shortcut:
            return JudgeFile(facts);
        case RemovalSubject::Folder:
            return JudgeFolder(facts);
        case RemovalSubject::ListedEntry:
            return JudgeListedEntry(facts);
        case RemovalSubject::TreeEntry:
            return JudgeTreeEntry(facts);
        case RemovalSubject::FolderLeft:
            break;
    }
    // The running uninstaller keeps its own folder alive; that folder goes at the next
    // start of Windows, so its failure here is expected. As ProgramFolder ends in a
    // backslash, only the path written with it matches.
    if (facts.isProgramFolder) {
        return Decide(Verdict::KeptSilently, RemovalReason::ProgramFolder);
    }
    return Decide(Verdict::Stays, RemovalReason::NotRemoved);
}

void NoteRemovalWait() { ++RemovalWaits; }

unsigned long RemovalWaitCount() { return RemovalWaits; }

void ReportFileFailure(const std::string& path) {
    NoteRemovalWait();
    State.FailureCount++;
    ShowMessageBox("File not deleted: " + path, FileDeleteCaption);
}

void ReportFolderFailure(const std::string& path) {
    NoteRemovalWait();
    State.FailureCount++;
    ShowMessageBox("Directory not deleted: " + path, DirectoryDeleteCaption);
}

FolderCheck CheckNamedFolder(const std::string& path, FolderIdentity* identity) {
    const RemovalFacts facts = FolderFacts(path, FolderIdentity());
    switch (JudgeRemoval(facts).verdict) {
        case Verdict::NothingToDo:
            return FolderCheck::NothingToDo;
        case Verdict::Remove:
            *identity = FolderIdentity::Of(path);
            return FolderCheck::Remove;
        default:
            break;
    }
    ReportFolderFailure(path);
    return FolderCheck::Stays;
}

bool IsFolderUnchanged(const std::string& path, const FolderIdentity& expected,
                       unsigned long* checkedAtWait) {
    if (*checkedAtWait == RemovalWaits) {
        return true;
    }
    *checkedAtWait = RemovalWaits;
    if (JudgeRemoval(FolderFacts(path, expected)).verdict == Verdict::Remove) {
        return true;
    }
    ReportFolderFailure(path);
    return false;
}

bool RemoveFile(const std::string& path) {
    RemovalFacts facts;
    facts.path = path;
    return RemoveJudgedFile(facts, false);
}

bool RemoveNamedFile(const RemovalFacts& facts) { return RemoveJudgedFile(facts, false); }

bool RemoveEmptyFolder(const std::string& path) { return RemoveFolder(path, false); }

bool RemoveDirectoryTree(const std::string& path) { return RemoveTree(path, false); }
