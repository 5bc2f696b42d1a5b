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
    bool complete = true;  // false when the search broke off with an error
};

const char* const UninstallerFileName = "KestDel.Exe";
const char* const FontFolderName = "Fonts";
// The volume-label bit; the platform's own headers do not all name it.
const DWORD VolumeLabelAttribute = 0x8;

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool HasWildcard(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

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

void ReportFileFailure(const std::string& path) {
    State.FailureCount++;
    ShowMessageBox("File not deleted: " + path, "File Delete");
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

// Removes a junction or symbolic link itself. The shell is not asked: were it to
// fall back to a plain delete, it would empty the folder the link points to.
bool RemoveLink(const std::string& path) { return RemoveDirectoryA(path.c_str()) != FALSE; }

}  // namespace

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
    if (IsProtectedFolder(path)) {
        ReportFolderFailure(path);
        return false;
    }
    DWORD attributes = 0;
    if (!KnownAttributes(path, attributes)) {
        ReportFolderFailure(path);
        return false;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return true;
    }
    bool removed = false;
    if (IsLink(attributes)) {
        removed = RemoveLink(path);
    } else {
        // Read-only, hidden or system attributes would stop the plain removal below;
        // when they cannot be cleared, that removal fails and is reported.
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
        removed = MoveToRecycleBin(path) || RemoveDirectoryA(path.c_str());
    }
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
    if (IsProtectedFolder(path)) {
        ReportFolderFailure(path);
        return false;
    }
    const std::string folder = AddBackslash(path);
    DWORD attributes = 0;
    if (!KnownAttributes(folder, attributes)) {
        ReportFolderFailure(path);
        return false;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return true;
    }
    if (IsLink(attributes)) {
        return RemoveEmptyFolder(folder);
    }
    if (MoveToRecycleBin(folder)) {
        return true;
    }
    const FolderEntries entries = ListFolder(folder);
    bool removed = true;
    for (const std::string& name : entries.files) {
        removed = RemoveFile(folder + name) && removed;
    }
    for (const std::string& name : entries.subFolders) {
        // A link is not descended into: its tree removal removes the link alone.
        const std::string subPath = folder + name;
        removed = RemoveDirectoryTree(subPath) && removed;
        removed = RemoveEmptyFolder(subPath) && removed;
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
