// Removal of files and folders for the uninstaller. Everything goes to the recycle
// bin first so that the user can restore it; whatever stays is reported in its own
// box and counted, and that count decides the outcome of the uninstall.
#include <windows.h>

#include <string>
#include <vector>

#include "KestDel.h"
#include "WinSys.h"
#include "WinSysHandles.h"

namespace {

// What one folder holds, split the way the tree removal treats it, each list in the
// order of the directory search.
struct FolderEntries {
    std::vector<std::string> files;
    std::vector<std::string> subFolders;
    std::vector<std::string> links;  // junctions and symbolic links to folders
    bool complete = true;            // false when the search broke off with an error
};

const char* const UninstallerFileName = "KestDel.Exe";
const char* const FontFolderName = "Fonts";
// The volume-label bit; the platform's own headers do not all name it.
const DWORD VolumeLabelAttribute = 0x8;

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// The directory search also takes '<', '>' and '"' for wildcards.
bool HasWildcard(const std::string& path) {
    return path.find_first_of("*?<>\"") != std::string::npos;
}

// The error of a look-up that found nothing because nothing is there. Any other error
// (a refused search, a file in use) proves nothing about what the path holds.
bool IsAbsence(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME ||
           error == ERROR_INVALID_DRIVE || error == ERROR_NOT_READY;
}

// The attributes of a path, and whether the platform answered at all: a path that
// is not there answers INVALID_FILE_ATTRIBUTES and counts as known.
bool KnownAttributes(const std::string& path, DWORD& attributes) {
    attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES || IsAbsence(GetLastError());
}

// No file at the path: the search finds none and the platform confirms it. A folder
// of that name is no file.
bool NoFileAt(const std::string& path) {
    if (path.empty()) {
        return true;
    }
    if (FileIsPresent(path)) {
        return false;
    }
    DWORD attributes = 0;
    if (!KnownAttributes(path, attributes)) {
        return false;
    }
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void ReportFolderFailure(const std::string& path) {
    State.FailureCount++;
    ShowMessageBox("Directory not deleted: " + path, "Directory Delete");
}

// Sorts one directory entry into the lists, or passes it over: names beginning with
// a dot, font folders (their fonts go through Fonts.Reg), system files, volume
// labels and the running uninstaller stay where they are.
void SortEntry(const WIN32_FIND_DATAA& entry, FolderEntries& entries) {
    const std::string name = entry.cFileName;
    if (name.empty() || name[0] == '.') {
        return;
    }
    const DWORD attributes = entry.dwFileAttributes;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && IsLink(attributes)) {
        entries.links.push_back(name);
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (CompareNoCase(name, FontFolderName) == 0) {
            return;
        }
        entries.subFolders.push_back(name);
        return;
    }
    if ((attributes & (FILE_ATTRIBUTE_SYSTEM | VolumeLabelAttribute)) != 0) {
        return;
    }
    if (CompareNoCase(name, UninstallerFileName) == 0) {
        return;
    }
    entries.files.push_back(name);
}

// Lists the folder completely before anything in it is removed. A folder that
// cannot be searched gives no entries; a search that breaks off with an error
// leaves the listing incomplete.
FolderEntries ListFolder(const std::string& folder) {
    FolderEntries entries;
    WIN32_FIND_DATAA entry = {};
    DirectorySearch search(folder + "*.*", entry);
    if (!search.Found()) {
        entries.complete = GetLastError() == ERROR_FILE_NOT_FOUND;
        return entries;
    }
    do {
        SortEntry(entry, entries);
    } while (search.Next(entry));
    entries.complete = GetLastError() == ERROR_NO_MORE_FILES;
    return entries;
}

// Whether a link lies anywhere in the folder, among every entry the shell would take
// along. Such a tree is never handed to the shell whole: were it to fall back to a
// plain delete, it would follow the link and delete what it leads to for good.
bool HoldsLink(const std::string& folder) {
    WIN32_FIND_DATAA entry = {};
    DirectorySearch search(folder + "*.*", entry);
    if (!search.Found()) {
        return false;
    }
    std::vector<std::string> subFolders;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        if (IsLink(entry.dwFileAttributes)) {
            return true;
        }
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            subFolders.push_back(name);
        }
    } while (search.Next(entry));
    search.Close();
    for (const std::string& name : subFolders) {
        if (HoldsLink(folder + name + "\\")) {
            return true;
        }
    }
    return false;
}

// What the opening check of the two folder removals found.
enum class FolderCheck {
    NothingToDo,  // no name, or no folder at the path
    Stays,        // refused or a link: reported and counted
    Remove,
};

// The check both folder removals open with. A protected folder is refused, and a link
// is never removed by us (the platform would empty its target instead): both stay,
// reported and counted, so that the user removes a link knowingly. The attributes are
// read without a trailing backslash, with which Wine answers for a link's target.
FolderCheck CheckFolder(const std::string& path) {
    if (path.empty()) {
        return FolderCheck::NothingToDo;
    }
    if (IsProtectedFolder(path)) {
        ReportFolderFailure(path);
        return FolderCheck::Stays;
    }
    DWORD attributes = 0;
    if (!KnownAttributes(RemoveBackslash(path), attributes)) {
        ReportFolderFailure(path);  // what is there cannot be told
        return FolderCheck::Stays;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return FolderCheck::NothingToDo;
    }
    if (IsLink(attributes)) {
        ReportFolderFailure(path);
        return FolderCheck::Stays;
    }
    return FolderCheck::Remove;
}

// A folder to the recycle bin, or, when the shell cannot take it, removed if empty.
// One the user chose to keep is not removed after all.
bool RemoveOneFolder(const std::string& path) {
    if (HoldsLink(AddBackslash(path))) {
        return RemoveDirectoryA(path.c_str()) != FALSE;
    }
    switch (RecycleItem(path)) {
        case RecycleOutcome::Gone:
            return true;
        case RecycleOutcome::Kept:
            return false;
        case RecycleOutcome::Failed:
            break;
    }
    return RemoveDirectoryA(path.c_str()) != FALSE;
}

}  // namespace

void ReportFileFailure(const std::string& path) {
    State.FailureCount++;
    ShowMessageBox("File not deleted: " + path, "File Delete");
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool RemoveFile(const std::string& path) {
    // A wildcard would let the directory search and the shell act on every file it
    // matches instead of the one file named.
    if (HasWildcard(path)) {
        ReportFileFailure(path);
        return false;
    }
    if (NoFileAt(path)) {
        return true;
    }
    // The shell may answer success and leave the file (Wine does when the system refuses
    // the delete): only a file that is gone counts as removed.
    if (MoveToRecycleBin(path) && !FileIsPresent(path)) {
        return true;
    }
    ReportFileFailure(path);
    return false;
}

bool RemoveEmptyFolder(const std::string& path) {
    switch (CheckFolder(path)) {
        case FolderCheck::NothingToDo:
            return true;
        case FolderCheck::Stays:
            return false;
        case FolderCheck::Remove:
            break;
    }
    // Read-only, hidden or system attributes would stop the plain removal; when they
    // cannot be cleared, that removal fails and is reported.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    const bool removed = RemoveOneFolder(path);
    // The running uninstaller keeps its own folder alive; that folder goes at the next
    // start of Windows, so its failure here is expected.
    if (CompareNoCase(path, State.ProgramFolder) == 0) {
        return true;
    }
    if (removed) {
        return true;
    }
    ReportFolderFailure(path);
    return false;
}

bool RemoveDirectoryTree(const std::string& path) {
    switch (CheckFolder(path)) {
        case FolderCheck::NothingToDo:
            return true;
        case FolderCheck::Stays:
            return false;
        case FolderCheck::Remove:
            break;
    }
    const std::string folder = AddBackslash(path);
    if (!HoldsLink(folder)) {
        switch (RecycleItem(folder)) {
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
    const FolderEntries entries = ListFolder(folder);
    bool removed = true;
    for (const std::string& name : entries.files) {
        removed = RemoveFile(folder + name) && removed;
    }
    for (const std::string& name : entries.subFolders) {
        const std::string subPath = folder + name;
        removed = RemoveDirectoryTree(subPath) && removed;
        removed = RemoveEmptyFolder(subPath) && removed;
    }
    // A link is neither entered nor removed: it stays, once reported and counted.
    for (const std::string& name : entries.links) {
        ReportFolderFailure(folder + name);
        removed = false;
    }
    removed = RemoveEmptyFolder(folder) && removed;
    // The program folder stays without a report; whatever an incomplete listing
    // missed in it would stay unnoticed.
    if (removed && !entries.complete && FolderExists(folder)) {
        ReportFolderFailure(folder);
        removed = false;
    }
    return removed;
}
