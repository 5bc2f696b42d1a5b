// kernel32's file, folder, drive and time functions over the simulated tree.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "Internal.h"

namespace winsim {

namespace {

const DWORD kNegativeSeek = 131;  // ERROR_NEGATIVE_SEEK
const DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_TEMPORARY | 0x1000 | 0x2000;
// 1970-01-01 in 100-nanosecond steps since 1601-01-01.
const unsigned long long kUnixEpoch = 116444736000000000ULL;
const unsigned long long kSecond = 10000000ULL;

OpenFile* FileOf(HANDLE handle) {
    auto it = Fs().files.find(reinterpret_cast<uintptr_t>(handle));
    return it == Fs().files.end() ? nullptr : &it->second;
}

// A running program or another process holding the file: open for reading, sharing reads.
bool SharingConflict(const Node& node, DWORD access, DWORD share) {
    bool reads = access & GENERIC_READ, writes = access & GENERIC_WRITE;
    if (node.inUse && (writes || !(share & FILE_SHARE_READ))) return true;
    for (const auto& entry : Fs().files) {
        const OpenFile& other = entry.second;
        if (other.node.get() != &node) continue;
        bool otherReads = other.access & GENERIC_READ, otherWrites = other.access & GENERIC_WRITE;
        if (reads && !(other.share & FILE_SHARE_READ)) return true;
        if (writes && !(other.share & FILE_SHARE_WRITE)) return true;
        if (otherReads && !(share & FILE_SHARE_READ)) return true;
        if (otherWrites && !(share & FILE_SHARE_WRITE)) return true;
    }
    return false;
}

DWORD NewFileAttributes(DWORD flagsAndAttributes) {
    return (flagsAndAttributes & kSettableAttributes) | FILE_ATTRIBUTE_ARCHIVE;
}

HANDLE Register(const std::shared_ptr<Node>& node, char drive, DWORD access, DWORD share) {
    uintptr_t h = NewHandle();
    OpenFile file;
    file.node = node;
    file.drive = drive;
    file.access = access;
    file.share = share;
    Fs().files[h] = file;
    return reinterpret_cast<HANDLE>(h);
}

HANDLE Refuse(DWORD error) {
    Fail(error);
    return INVALID_HANDLE_VALUE;
}

// Why an existing file cannot be opened as asked, or 0.
DWORD OpenRefusal(const Location& where, DWORD access, DWORD share, bool changes) {
    const Node& node = *where.node;
    if (changes) {
        if (DWORD e = WriteProtection(where)) return e;
        if (node.attributes & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
    }
    if (SharingConflict(node, access | (changes ? GENERIC_WRITE : 0), share))
        return ERROR_SHARING_VIOLATION;
    return 0;
}

HANDLE OpenExisting(const char* name, const Location& where, DWORD access, DWORD share,
                    DWORD creation, DWORD flagsAndAttributes) {
    if (creation == CREATE_NEW) return Refuse(ERROR_FILE_EXISTS);
    if (creation == TRUNCATE_EXISTING && !(access & GENERIC_WRITE))
        return Refuse(ERROR_INVALID_PARAMETER);
    bool truncates = creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING;
    if (DWORD e = OpenRefusal(where, access, share, truncates || (access & GENERIC_WRITE)))
        return Refuse(e);
    Node& node = *where.node;
    if (truncates) {
        node.content.clear();
        node.writeTime = Now();
        if (creation == CREATE_ALWAYS) node.attributes = NewFileAttributes(flagsAndAttributes);
        Record(std::string("write: ") + name);
    }
    HANDLE h = Register(where.node, where.letter, access, share);
    Fail(creation == CREATE_ALWAYS || creation == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : 0);
    return h;
}

HANDLE CreateNew(const char* name, const Location& where, DWORD access, DWORD share, DWORD creation,
                 DWORD flagsAndAttributes) {
    if (creation == OPEN_EXISTING || creation == TRUNCATE_EXISTING)
        return Refuse(ERROR_FILE_NOT_FOUND);
    if (where.trailingBackslash) return Refuse(ERROR_INVALID_NAME);
    if (DWORD e = WriteProtection(where)) return Refuse(e);
    std::shared_ptr<Node> node =
        CreateNode(*where.parent, where.leaf, NewFileAttributes(flagsAndAttributes));
    Record(std::string("write: ") + name);
    HANDLE h = Register(node, where.letter, access, share);
    Fail(0);
    return h;
}

// Bytes that still fit on the drive when a write grows the file by `growth`.
size_t Fitting(const Drive& drive, size_t growth) {
    if (drive.freeSpace < 0) return growth;
    return std::min(growth, static_cast<size_t>(drive.freeSpace));
}

BOOL FailWith(DWORD error) {
    Fail(error);
    return FALSE;
}

long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

// Any path that begins with a drive letter names that drive, as Wine takes it.
bool HasDrivePrefix(const std::string& s) {
    return s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':';
}

}  // namespace

FILETIME DosToFileTime(WORD date, WORD time) {
    long long days = DaysFromCivil(1980 + (date >> 9), (date >> 5) & 15u, date & 31u);
    long long seconds =
        days * 86400 + (time >> 11) * 3600 + ((time >> 5) & 63) * 60 + (time & 31) * 2;
    unsigned long long value = kUnixEpoch + static_cast<unsigned long long>(seconds) * kSecond;
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
    t.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return t;
}

}  // namespace winsim

using namespace winsim;

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                          DWORD creation, DWORD flagsAndAttributes, HANDLE) {
    if (Faulted("CreateFileA", ERROR_SHARING_VIOLATION)) return INVALID_HANDLE_VALUE;
    if (!fileName || !*fileName) return Refuse(ERROR_PATH_NOT_FOUND);
    if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING)
        return Refuse(ERROR_INVALID_PARAMETER);
    Location where = Locate(fileName);
    if (where.error) return Refuse(where.error);
    // Any existing name, a folder or a link among them, makes CREATE_NEW fail.
    if (where.node && creation == CREATE_NEW) return Refuse(ERROR_FILE_EXISTS);
    if (where.node && where.node->IsFolder()) {
        // A folder opens only for its information, and through a link to its target.
        if (!(flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) || creation != OPEN_EXISTING)
            return Refuse(ERROR_ACCESS_DENIED);
        std::shared_ptr<Node> folder = Followed(where.node);
        if (!folder) return Refuse(ERROR_FILE_NOT_FOUND);
        Fail(0);
        return Register(folder, where.letter, access, shareMode);
    }
    if (where.node && where.trailingBackslash) return Refuse(ERROR_INVALID_NAME);
    if (where.node) {
        // A file link and a hard link open the file they name.
        where.node = Body(where.node);
        if (!where.node) return Refuse(ERROR_FILE_NOT_FOUND);
        return OpenExisting(fileName, where, access, shareMode, creation, flagsAndAttributes);
    }
    return CreateNew(fileName, where, access, shareMode, creation, flagsAndAttributes);
}

BOOL WINAPI GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
    OpenFile* f = FileOf(file);
    if (!f) return FailWith(ERROR_INVALID_HANDLE);
    if (!information) return FailWith(ERROR_NOACCESS);
    const Node& node = *f->node;
    std::memset(information, 0, sizeof *information);
    information->dwFileAttributes = node.attributes ? node.attributes : FILE_ATTRIBUTE_NORMAL;
    information->ftCreationTime = node.creationTime;
    information->ftLastAccessTime = node.writeTime;
    information->ftLastWriteTime = node.writeTime;
    information->dwVolumeSerialNumber = VolumeSerialOf(node);
    information->nFileSizeLow = static_cast<DWORD>(node.content.size());
    information->nNumberOfLinks = node.IsFolder() ? 1 : LinkCount(node);
    information->nFileIndexHigh = static_cast<DWORD>(node.index >> 32);
    information->nFileIndexLow = static_cast<DWORD>(node.index & 0xFFFFFFFFu);
    return TRUE;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, void*) {
    OpenFile* f = FileOf(file);
    if (read) *read = 0;
    if (Faulted("ReadFile", ERROR_LOCK_VIOLATION)) return FALSE;
    if (!f) return FailWith(ERROR_INVALID_HANDLE);
    if (!(f->access & GENERIC_READ)) return FailWith(ERROR_ACCESS_DENIED);
    const std::string& content = f->node->content;
    size_t available = f->position < content.size() ? content.size() - f->position : 0;
    size_t n = std::min<size_t>(toRead, available);
    if (n) std::memcpy(buffer, content.data() + f->position, n);
    f->position += n;
    if (read) *read = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, void*) {
    OpenFile* f = FileOf(file);
    if (written) *written = 0;
    if (Faulted("WriteFile", ERROR_DISK_FULL)) return FALSE;
    if (!f) return FailWith(ERROR_INVALID_HANDLE);
    if (!(f->access & GENERIC_WRITE)) return FailWith(ERROR_ACCESS_DENIED);
    std::string& content = f->node->content;
    Drive& drive = Fs().drives[f->drive];
    size_t end = f->position + toWrite;
    size_t growth = end > content.size() ? end - std::max(content.size(), f->position) : 0;
    size_t fits = Fitting(drive, growth);
    size_t n = toWrite - (growth - fits);
    if (f->position > content.size()) content.resize(f->position, '\0');
    if (content.size() < f->position + n) content.resize(f->position + n);
    if (n) std::memcpy(&content[f->position], buffer, n);
    f->position += n;
    if (drive.freeSpace >= 0) drive.freeSpace -= static_cast<long long>(fits);
    f->node->writeTime = Now();
    if (written) *written = static_cast<DWORD>(n);
    if (fits < growth) return FailWith(ERROR_DISK_FULL);
    return TRUE;
}

DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    if (Faulted("GetFileSize", ERROR_INVALID_HANDLE)) return INVALID_FILE_SIZE;
    OpenFile* f = FileOf(file);
    if (!f) {
        Fail(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    if (sizeHigh) *sizeHigh = 0;
    return static_cast<DWORD>(f->node->content.size());
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
    if (Faulted("SetFilePointer", ERROR_INVALID_PARAMETER)) return INVALID_SET_FILE_POINTER;
    OpenFile* f = FileOf(file);
    if (!f) {
        Fail(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    long long move =
        distanceHigh
            ? static_cast<long long>(
                  (static_cast<unsigned long long>(static_cast<ULONG>(*distanceHigh)) << 32) |
                  static_cast<ULONG>(distance))
            : distance;
    long long base = 0;
    if (method == FILE_CURRENT)
        base = static_cast<long long>(f->position);
    else if (method == FILE_END)
        base = static_cast<long long>(f->node->content.size());
    else if (method != FILE_BEGIN) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (base + move < 0) {
        Fail(kNegativeSeek);
        return INVALID_SET_FILE_POINTER;
    }
    f->position = static_cast<size_t>(base + move);
    if (distanceHigh)
        *distanceHigh = static_cast<LONG>(static_cast<unsigned long long>(f->position) >> 32);
    Fail(0);
    return static_cast<DWORD>(f->position & 0xFFFFFFFFu);
}

BOOL WINAPI CloseHandle(HANDLE handle) {
    uintptr_t h = reinterpret_cast<uintptr_t>(handle);
    FileSystemState& fs = Fs();
    if (fs.files.erase(h) || fs.finds.erase(h)) return TRUE;
    if (fs.processHandles.erase(h)) {
        --M().programs.openHandles;
        return TRUE;
    }
    if (CloseTokenHandle(handle)) return TRUE;
    return FailWith(ERROR_INVALID_HANDLE);
}

BOOL WINAPI DeleteFileA(LPCSTR fileName) {
    if (Faulted("DeleteFileA", ERROR_ACCESS_DENIED)) return FALSE;
    if (!fileName) return FailWith(ERROR_PATH_NOT_FOUND);
    Location where = Locate(fileName);
    if (where.error) return FailWith(where.error);
    if (!where.node) return FailWith(ERROR_FILE_NOT_FOUND);
    if (where.trailingBackslash) return FailWith(ERROR_INVALID_NAME);
    if (where.node->IsFolder()) return FailWith(ERROR_ACCESS_DENIED);
    if (DWORD e = WriteProtection(where)) return FailWith(e);
    // A link goes itself (Windows); a hard link's name goes and the file keeps its others.
    if (ShownAttributes(*where.node) & FILE_ATTRIBUTE_READONLY)
        return FailWith(ERROR_ACCESS_DENIED);
    if (where.node->inUse) return FailWith(ERROR_ACCESS_DENIED);
    if (HasOpenHandle(*where.node, true)) return FailWith(ERROR_SHARING_VIOLATION);
    RemoveNode(*where.node);
    Record(std::string("delete: ") + fileName);
    return TRUE;
}

namespace {

bool IsInside(const Node& node, const Node& folder) {
    for (const Node* n = &node; n; n = n->parent)
        if (n == &folder) return true;
    return false;
}

DWORD MoveRefusal(const Location& from, const Location& to) {
    if (DWORD e = WriteProtection(from)) return e;
    if (DWORD e = WriteProtection(to)) return e;
    if (!from.parent || !to.parent) return ERROR_ACCESS_DENIED;  // a drive's root
    if (to.node && to.node != from.node) return ERROR_ALREADY_EXISTS;
    const Node& node = *from.node;
    if (node.IsFolder() && from.letter != to.letter) return ERROR_NOT_SAME_DEVICE;
    if (node.IsFolder() && IsInside(*to.parent, node)) return ERROR_INVALID_PARAMETER;
    // The folder itself in use (or the current folder) is a sharing violation; a folder
    // whose content is in use is refused outright.
    if (node.inUse || HasOpenHandle(node, true)) return ERROR_SHARING_VIOLATION;
    if (node.IsFolder() && HoldsCurrentFolder(node)) return ERROR_SHARING_VIOLATION;
    if (Busy(node)) return ERROR_ACCESS_DENIED;
    return 0;
}

}  // namespace

BOOL WINAPI MoveFileA(LPCSTR existingName, LPCSTR newName) {
    if (Faulted("MoveFileA", ERROR_SHARING_VIOLATION)) return FALSE;
    if (!existingName || !newName) return FailWith(ERROR_PATH_NOT_FOUND);
    Location from = Locate(existingName);
    if (from.error) return FailWith(from.error);
    if (!from.node) return FailWith(ERROR_FILE_NOT_FOUND);
    Location to = Locate(newName);
    if (to.error) return FailWith(to.error);
    if (to.node == from.node && to.leaf == from.node->name) return TRUE;  // onto its own name
    if (DWORD e = MoveRefusal(from, to)) return FailWith(e);
    std::shared_ptr<Node> node = from.node;
    if (to.parent == from.parent) {
        RenameNode(*node, to.leaf);  // keeps its place in the folder
    } else {
        RemoveNode(*node);
        AttachNode(*to.parent, node, to.leaf);
    }
    Record(std::string("move: ") + existingName + " -> " + newName);
    return TRUE;
}

// Only the NT family has the call; the 9x family exports the name and fails it.
BOOL WINAPI MoveFileExA(LPCSTR existingName, LPCSTR newName, DWORD flags) {
    if (M().version.dwPlatformId != VER_PLATFORM_WIN32_NT)
        return FailWith(ERROR_CALL_NOT_IMPLEMENTED);
    if (!existingName || !newName) return FailWith(ERROR_PATH_NOT_FOUND);
    Location from = Locate(existingName);
    Location to = Locate(newName);
    if ((flags & MOVEFILE_REPLACE_EXISTING) && !from.error && from.node && !to.error && to.node &&
        to.node != from.node) {
        // A link or a hard link's name is replaced itself; its file stays.
        const Node& old = *to.node;
        if (old.IsFolder() || (ShownAttributes(old) & FILE_ATTRIBUTE_READONLY))
            return FailWith(ERROR_ACCESS_DENIED);
        if (old.inUse || HasOpenHandle(old, true)) return FailWith(ERROR_SHARING_VIOLATION);
        Location freed = to;
        freed.node = nullptr;
        if (DWORD e = MoveRefusal(from, freed)) return FailWith(e);
        RemoveNode(*to.node);
    }
    return MoveFileA(existingName, newName);
}

BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
    if (Faulted("SetFileAttributesA", ERROR_WRITE_PROTECT)) return FALSE;
    if (!fileName) return FailWith(ERROR_PATH_NOT_FOUND);
    Location where = Locate(fileName);
    if (where.error) return FailWith(where.error);
    if (!where.node) return FailWith(ERROR_FILE_NOT_FOUND);
    if (where.trailingBackslash && !where.node->IsFolder()) return FailWith(ERROR_PATH_NOT_FOUND);
    if (DWORD e = WriteProtection(where)) return FailWith(e);
    // The call opens the name: a file link or a hard link changes its file.
    std::shared_ptr<Node> node = where.node->IsFolder() ? where.node : Body(where.node);
    if (!node) return FailWith(ERROR_FILE_NOT_FOUND);
    DWORD kept = node->attributes & FILE_ATTRIBUTE_DIRECTORY;
    node->attributes = (attributes & kSettableAttributes) | kept;
    return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
    if (Faulted("GetFileAttributesA", ERROR_ACCESS_DENIED)) return INVALID_FILE_ATTRIBUTES;
    if (!fileName) {
        Fail(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    Location where = Locate(fileName);
    DWORD error = where.error ? where.error : !where.node ? ERROR_FILE_NOT_FOUND : 0;
    // A file named with a trailing backslash is taken for a missing folder.
    if (!error && where.trailingBackslash && !where.node->IsFolder()) error = ERROR_PATH_NOT_FOUND;
    if (error) {
        Fail(error);
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = ShownAttributes(*where.node);
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES securityAttributes) {
    if (Faulted("CreateDirectoryA", ERROR_WRITE_PROTECT)) return FALSE;
    if (!pathName) return FailWith(ERROR_PATH_NOT_FOUND);
    Location where = Locate(pathName);
    if (where.error) return FailWith(where.error);
    if (where.node) return FailWith(ERROR_ALREADY_EXISTS);
    if (DWORD e = WriteProtection(where)) return FailWith(e);
    std::shared_ptr<Node> folder = CreateNode(*where.parent, where.leaf, FILE_ATTRIBUTE_DIRECTORY);
    // Windows outside the NT family keeps no access lists and ignores the descriptor.
    const bool ntFamily = M().version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    if (ntFamily && securityAttributes && securityAttributes->lpSecurityDescriptor) {
        folder->access = AccessLines(
            *static_cast<const SECURITY_DESCRIPTOR*>(securityAttributes->lpSecurityDescriptor));
    }
    return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR pathName) {
    if (Faulted("RemoveDirectoryA", ERROR_SHARING_VIOLATION)) return FALSE;
    if (!pathName) return FailWith(ERROR_PATH_NOT_FOUND);
    Location where = Locate(pathName);
    if (where.error) return FailWith(where.error);
    if (!where.node) return FailWith(ERROR_FILE_NOT_FOUND);
    // Wine removes the empty folder a link leads to and keeps the link.
    std::shared_ptr<Node> followed = Followed(where.node);
    if (!followed || !followed->parent) return FailWith(ERROR_ACCESS_DENIED);
    Node& node = *followed;
    if (!node.IsFolder()) return FailWith(ERROR_DIRECTORY);
    if (!where.parent) return FailWith(ERROR_ACCESS_DENIED);  // a drive's root
    if (DWORD e = WriteProtection(where)) return FailWith(e);
    if (node.inUse || HoldsCurrentFolder(node)) return FailWith(ERROR_SHARING_VIOLATION);
    if (node.attributes & FILE_ATTRIBUTE_READONLY) return FailWith(ERROR_ACCESS_DENIED);
    if (!node.children.empty()) return FailWith(ERROR_DIR_NOT_EMPTY);
    RemoveNode(node);
    Record(std::string("rmdir: ") + pathName);
    return TRUE;
}

UINT WINAPI GetDriveTypeA(LPCSTR rootPath) {
    std::string root = rootPath ? rootPath : M().currentFolder.substr(0, 3);
    if (!HasDrivePrefix(root)) return DRIVE_NO_ROOT_DIR;
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
    auto it = Fs().drives.find(letter);
    return it == Fs().drives.end() ? DRIVE_NO_ROOT_DIR : it->second.type;
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR pathName) {
    if (Faulted("SetCurrentDirectoryA", ERROR_ACCESS_DENIED)) return FALSE;
    if (!pathName) return FailWith(ERROR_INVALID_PARAMETER);
    Location where = Locate(pathName);
    if (where.error) return FailWith(where.error);
    if (!where.node) return FailWith(ERROR_FILE_NOT_FOUND);
    if (!where.node->IsFolder()) return FailWith(ERROR_DIRECTORY);
    ParsedPath parsed;
    ParsePath(pathName, parsed);
    // The folder keeps the caller's spelling, drive letter included.
    std::string folder = std::string(1, pathName[1] == ':' ? pathName[0] : parsed.drive) + ":";
    for (const auto& part : parsed.parts) folder += "\\" + part;
    if (parsed.parts.empty()) folder += "\\";
    Machine& m = M();
    if (m.currentFolder.size() >= 2)
        m.driveFolders[static_cast<char>(
            std::toupper(static_cast<unsigned char>(m.currentFolder[0])))] = m.currentFolder;
    m.driveFolders[parsed.drive] = folder;
    m.currentFolder = folder;
    return TRUE;
}

// Works on the text alone, as Windows does: the name need not exist.
DWORD WINAPI GetFullPathNameA(LPCSTR fileName, DWORD size, LPSTR buffer, LPSTR* filePart) {
    if (Faulted("GetFullPathNameA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    ParsedPath parsed;
    if (!fileName || !ParsePath(fileName, parsed)) {
        Fail(ERROR_INVALID_NAME);
        return 0;
    }
    const bool givesDrive = std::strlen(fileName) >= 2 && fileName[1] == ':';
    std::string full = std::string(1, givesDrive ? fileName[0] : M().currentFolder[0]) + ":";
    for (const auto& part : parsed.parts) full += "\\" + part;
    if (parsed.parts.empty() || parsed.trailingBackslash) full += "\\";
    DWORD length = static_cast<DWORD>(full.size());
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, full.c_str(), length + 1);
    if (filePart) {
        size_t last = full.rfind('\\') + 1;
        *filePart = last < full.size() ? buffer + last : nullptr;
    }
    return length;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    if (Faulted("GetCurrentDirectoryA", ERROR_NOT_ENOUGH_MEMORY)) return 0;
    const std::string& folder = M().currentFolder;
    DWORD length = static_cast<DWORD>(folder.size());
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, folder.c_str(), length + 1);
    return length;
}

BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
    if (!fileTime || !localFileTime) return FailWith(ERROR_INVALID_PARAMETER);
    *localFileTime = *fileTime;  // the machine's time zone is UTC
    return TRUE;
}

BOOL WINAPI FileTimeToDosDateTime(const FILETIME* fileTime, LPWORD fatDate, LPWORD fatTime) {
    if (!fileTime || !fatDate || !fatTime) return FailWith(ERROR_INVALID_PARAMETER);
    unsigned long long value =
        (static_cast<unsigned long long>(fileTime->dwHighDateTime) << 32) | fileTime->dwLowDateTime;
    long long seconds =
        static_cast<long long>(value / kSecond) - static_cast<long long>(kUnixEpoch / kSecond);
    long long days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    long long rest = seconds - days * 86400;
    long long year;
    unsigned month, day;
    CivilFromDays(days, year, month, day);
    if (year < 1980 || year > 2107) return FailWith(ERROR_INVALID_PARAMETER);
    *fatDate = static_cast<WORD>(((year - 1980) << 9) | (month << 5) | day);
    *fatTime =
        static_cast<WORD>(((rest / 3600) << 11) | (((rest / 60) % 60) << 5) | ((rest % 60) / 2));
    return TRUE;
}
