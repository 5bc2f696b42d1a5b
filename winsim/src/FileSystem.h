// Drives, files and folders of the simulated machine, with the handles of open
// files, directory searches and started processes.
#ifndef WINSIM_FILESYSTEM_H
#define WINSIM_FILESYSTEM_H

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace winsim {

class Machine;

// A file or a folder. Folders carry FILE_ATTRIBUTE_DIRECTORY.
struct Node {
    std::string name;       // as created (case kept)
    std::string shortName;  // the 8.3 alias; empty when the name itself is a valid 8.3 name
    DWORD attributes = 0;
    std::string content;
    bool inUse = false;
    FILETIME writeTime{};
    FILETIME creationTime{};
    Node* parent = nullptr;
    std::vector<std::shared_ptr<Node>> children;  // order of creation
    std::vector<std::string> order;               // enumeration order set by a test
    unsigned long long index = 0;                 // the file index of its volume
    DWORD volumeSerial = 0;                       // a drive's root only: its volume's serial
    // A junction or symbolic link to a folder: paths through it lead to the target;
    // the link itself carries FILE_ATTRIBUTE_REPARSE_POINT.
    // A symbolic link to a file works the same way for opening; Windows shows it with
    // FILE_ATTRIBUTE_REPARSE_POINT (Wine shows it as the plain file).
    std::weak_ptr<Node> linkTarget;
    bool isLink = false;
    // A second name of a file (a hard link): the node that holds the file's content,
    // attributes and times, shared by all its names.
    std::shared_ptr<Node> sameFile;
    // A folder created with a security descriptor: its access list (Machine::Access).
    std::vector<std::string> access;
    // A name the code page cannot express: the A calls list it so, and no A name reaches it.
    std::string bestFit;

    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    std::shared_ptr<Node> Child(const std::string& childName) const;  // case-insensitive
    std::vector<std::shared_ptr<Node>> Enumerated() const;
};

struct Drive {
    UINT type = DRIVE_FIXED;
    bool readOnly = false;
    bool hasMedium = true;
    bool shortNames = true;
    long long freeSpace = -1;    // bytes left; -1: no limit
    std::shared_ptr<Node> root;  // an alias letter (subst) shares a folder of another drive
    bool isAlias = false;
};

struct OpenFile {
    std::shared_ptr<Node> node;
    char drive = 'C';
    DWORD access = 0;
    DWORD share = 0;
    size_t position = 0;
};

struct FindSearch {
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

struct LzFile {
    HANDLE file = nullptr;
};

struct FileSystemState {
    std::map<char, Drive> drives;          // by upper-case letter
    std::set<std::string> refusedRecycle;  // lower-cased paths
    std::map<uintptr_t, OpenFile> files;
    std::map<uintptr_t, FindSearch> finds;
    std::set<uintptr_t> processHandles;
    uintptr_t nextHandle = 0x00F10000;
    std::map<INT, LzFile> lzFiles;
    INT nextLz = 0x400;
    DWORD nextProcessId = 0x100;
    long long clock = 0;  // seconds added to the base time for each change
    unsigned long long nextIndex = 0x100;
    std::vector<std::string> libraries;  // one entry per LoadLibraryA not yet freed
};

// A path taken apart: drive letter, components, and whether it ended in a backslash.
struct ParsedPath {
    char drive = 0;
    std::vector<std::string> parts;
    bool trailingBackslash = false;
};

// Where a path leads. `error` is set when the folder holding the leaf cannot be reached.
struct Location {
    Drive* drive = nullptr;
    char letter = 0;
    std::shared_ptr<Node> parent;  // the folder holding the leaf; empty for a root
    std::shared_ptr<Node> node;    // the leaf, when it exists
    std::string leaf;
    bool trailingBackslash = false;
    DWORD error = 0;
};

FileSystemState& Fs();
// Parses a full or relative path against the current folder; false for an invalid name.
bool ParsePath(const std::string& path, ParsedPath& out);
bool ParsePathFrom(const std::string& currentFolder, const std::string& path, ParsedPath& out);
// Finds a path. With `report` a missing medium shows the critical-error box when the
// error mode lets it.
Location Locate(const std::string& path, bool report = true);
// The current folder a drive keeps for drive-relative names ("D:x"); its root unless set.
std::string DriveFolder(char letter);
Location LocateOn(Machine& machine, const std::string& path, bool report);
// The error for a leaf that does not exist (or the location's own error).
DWORD MissingError(const Location& where);
// Why writing on the location's drive is refused, or 0.
DWORD WriteProtection(const Location& where);
// True when the node or anything below it is in use or open, or holds the current folder.
bool Busy(const Node& node);
bool HoldsCurrentFolder(const Node& node);  // the node is the current folder or holds it
bool HasOpenHandle(const Node& node, bool withoutShareDelete);
// Creates a file or folder below `parent` with a fresh short name.
std::shared_ptr<Node> CreateNode(Node& parent, const std::string& name, DWORD attributes);
void RemoveNode(Node& node);
void RenameNode(Node& node, const std::string& name);
void AttachNode(Node& parent, const std::shared_ptr<Node>& node, const std::string& name);
std::string FullPath(const Node& node);  // "C:\dir\file", with the names as stored
FILETIME Now();                          // the machine's clock, one second per call
FILETIME DosToFileTime(WORD date, WORD time);
bool IsValidShortName(const std::string& name);
bool MatchesPattern(const std::string& pattern, const std::string& name);
// The folder a link leads to, or the node itself; null for a link whose target is gone.
std::shared_ptr<Node> Followed(const std::shared_ptr<Node>& node);
// The node that holds a file's data: the target of a file link (null when gone), the
// file of a hard link, or the node itself.
std::shared_ptr<Node> Body(const std::shared_ptr<Node>& node);
// The attributes a directory search and GetFileAttributesA show for a name: a hard
// link's are its file's, a link's are its own.
DWORD ShownAttributes(const Node& node);
// How many names a file has (hard links).
DWORD LinkCount(const Node& body);
// The volume serial of the drive that holds the node (not of an alias letter).
DWORD VolumeSerialOf(const Node& node);
bool IsLeadByte(char c);  // a lead byte of the double-byte code page, when it is on
uintptr_t NewHandle();
void Fail(DWORD error);  // sets the last-error code

}  // namespace winsim

#endif
