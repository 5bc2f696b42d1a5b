// Paths and files: comparison and spelling of paths, files that other users may
// have placed, list files, and the recycle bin.
#ifndef KEST_SUPPORT_WINSYSFILES_H
#define KEST_SUPPORT_WINSYSFILES_H

#include <windows.h>

#include <string>
#include <vector>

#include "Tools.h"

// ---------------------------------------------------------------------------
// Paths.
int CompareNoCase(const std::string& a, const std::string& b);
std::string SafeFileName(const std::string& path);
std::string ShortPath(const std::string& path);

// A full path reduced to one comparable spelling "X:\name\name", without a trailing
// backslash and each name without the trailing dots and blanks that Windows drops.
// Empty when the path is no plain path on a drive: relative, a network or device
// path, a stream ("name:stream"), a name made only of dots or blanks (such as ".."),
// an empty name, a wildcard or a character no name may hold. "X:" for a root.
std::string NormalisedPath(const std::string& path);
// The path in its long and in its short spelling, both normalised (one spelling when
// the volume has no short names or the path does not exist).
std::vector<std::string> PathSpellings(const std::string& normalised);
// True when `outer` is `inner` or one of the folders around it (normalised paths).
bool IsSameOrHolds(const std::string& outer, const std::string& inner);

// The identity of the folder a path reaches, whatever drive letter, junction or link
// leads there: its volume's serial number and its index there. Unknown when the folder
// cannot be opened (and on the 9x family); unknown identities never match.
struct FolderIdentity {
    bool known = false;
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    static FolderIdentity Of(const std::string& folder);  // with or without a backslash
    bool operator==(const FolderIdentity& other) const;
};
// Two paths of the same folder: the same text in one of their spellings, or on the NT
// family the same identity.
bool IsSameFolder(const std::string& a, const std::string& b);

// ---------------------------------------------------------------------------
// Files and folders.
bool FileIsPresent(const std::string& name);  // a file, not a folder
bool FolderExists(const std::string& path);   // a folder, or a link to one
// Makes a file name go that another user may have placed (a link there would lead a
// delete or an attribute change to its target): a file created just now is renamed
// onto the name, which replaces a link itself, and only then deleted. True when no
// file of that name remains; a name the rename may not replace (read-only, in use)
// is left as it is. A folder counts as no file and is left alone.
bool RetireFile(const std::string& name);
bool IsUsableDrive(char letter);
// True when a test file, created new under a name that did not exist, could be fully
// written in the folder; only that file is deleted again.
bool IsWritableFolder(const std::string& folder);

// ---------------------------------------------------------------------------
// List files: lines of text, read and written whole.
bool LoadListFile(StringList& list, const std::string& name);
// Writes the list into a file created new beside its place and renames it onto the
// name only when the whole list was written; may raise FileCreateError or InOutError.
void SaveListFile(const StringList& list, const std::string& name);
// What became of an item handed to the shell's recycle-bin deletion: gone (to the
// bin, or for good once the user agreed), kept because the user said No to deleting
// it for good, or still there.
enum class RecycleOutcome { Gone, Kept, Failed };
RecycleOutcome RecycleItem(const std::string& path);
// Whether the recycle bin can take an item at the path: a fixed drive whose bin the
// shell answers for. Where the shell cannot say (it lacks the question), it will ask
// the user itself before deleting anything for good.
bool IsRecycleBinUsable(const std::string& path);
bool MoveToRecycleBin(const std::string& path);  // true when the item is gone

#endif
