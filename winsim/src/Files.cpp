// Drives, files and folders: the tree, path lookup, short names and the machine's
// set-up and inspection members.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "Internal.h"

namespace winsim {

namespace {

// 2020-01-01 00:00:00 UTC in 100-nanosecond steps since 1601.
const unsigned long long kBaseTime = 132223104000000000ULL;
const unsigned long long kSecond = 10000000ULL;

FILETIME ToFileTime(unsigned long long value) {
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
    t.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return t;
}

bool IsInvalidNameChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 32 || std::string("<>:\"|?*").find(c) != std::string::npos;
}

bool IsShortNameChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x80 || std::isalnum(u)) return true;
    return std::string("!#$%&'()-@^_`{}~").find(c) != std::string::npos;
}

// The characters a generated short name keeps: legal ones upper-cased, "+,;=[]" as '_',
// blanks and dots dropped.
std::string ShortNameChars(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == ' ' || c == '.') continue;
        if (std::string("+,;=[]").find(c) != std::string::npos)
            out += '_';
        else if (IsShortNameChar(c))
            out += c;
    }
    return Upper(out);
}

bool ShortNameTaken(const Node& folder, const std::string& candidate) {
    std::string lower = Lower(candidate);
    for (const auto& child : folder.children) {
        if (Lower(child->name) == lower) return true;
        if (!child->shortName.empty() && Lower(child->shortName) == lower) return true;
    }
    return false;
}

// Windows' numbered alias: the first legal characters of the base, "~N", the first three
// of the extension.
std::string GenerateShortName(const Node& folder, const std::string& name) {
    size_t dot = name.rfind('.');
    std::string base = ShortNameChars(dot == std::string::npos ? name : name.substr(0, dot));
    std::string ext = dot == std::string::npos ? "" : ShortNameChars(name.substr(dot + 1));
    if (ext.size() > 3) ext.resize(3);
    if (base.empty()) base = "_";
    for (int n = 1;; ++n) {
        std::string tail = "~" + std::to_string(n);
        size_t keep = std::min<size_t>(base.size(), n < 10 ? 6 : 8 - tail.size());
        std::string candidate = base.substr(0, keep) + tail;
        if (!ext.empty()) candidate += "." + ext;
        if (!ShortNameTaken(folder, candidate)) return candidate;
    }
}

void CollectTree(const Node& node, std::vector<const Node*>& out) {
    out.push_back(&node);
    for (const auto& child : node.children) CollectTree(*child, out);
}

}  // namespace

namespace {

// One name further down a folder. A 32-bit program on 64-bit Windows reaches the real
// system folder as "Sysnative" in the Windows folder.
std::shared_ptr<Node> Step(Machine& m, const Node& folder, const std::string& name) {
    if (m.wow64 && Lower(name) == "sysnative" && Lower(FullPath(folder)) == Lower(m.windowsFolder))
        return folder.Child("System32");
    return folder.Child(name);
}

// The owning pointer of a folder, from its parent's list (a root from the drives).
std::shared_ptr<Node> FindShared(const Node& node) {
    if (node.parent) {
        for (const auto& child : node.parent->children)
            if (child.get() == &node) return child;
        return nullptr;
    }
    for (const auto& entry : Fs().drives)
        if (entry.second.root.get() == &node) return entry.second.root;
    return nullptr;
}

}  // namespace

bool HoldsCurrentFolder(const Node& node) {
    Location cwd = Locate(M().currentFolder, false);
    for (const Node* n = cwd.node.get(); n; n = n->parent)
        if (n == &node) return true;
    return false;
}

namespace {

void ShowNoDiskBox(Machine& m, char letter) {
    if (m.errorMode & SEM_FAILCRITICALERRORS) return;
    std::string text = "There is no disk in the drive. Please insert a disk into drive ";
    text += letter;
    text += ":.";
    // Cancel, Try Again, Continue; the simulated user cancels, so the call fails.
    m.boxes.push_back({"Windows - No Disk", text, 0x6 | MB_ICONHAND | MB_SYSTEMMODAL, IDCANCEL});
    m.transcript.push_back("box: Windows - No Disk | " + text);
}

// Finds or creates the first `count` folders of a parsed path (set-up members).
std::shared_ptr<Node> MakeFolders(Drive& drive, const std::vector<std::string>& parts,
                                  size_t count) {
    std::shared_ptr<Node> folder = drive.root;
    for (size_t i = 0; i < count; ++i) {
        std::shared_ptr<Node> next = folder->Child(parts[i]);
        if (!next) next = CreateNode(*folder, parts[i], FILE_ATTRIBUTE_DIRECTORY);
        folder = next;
    }
    return folder;
}

char DriveLetter(char letter) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

Drive& SetupDrive(Machine& m, char letter) {
    auto& drives = m.impl->fs.drives;
    auto it = drives.find(DriveLetter(letter));
    if (it != drives.end()) return it->second;
    m.AddDrive(letter, DRIVE_FIXED);
    return drives[DriveLetter(letter)];
}

[[noreturn]] void SetupFault(const char* what, const std::string& path) {
    std::fprintf(stderr, "winsim: %s \"%s\"\n", what, path.c_str());
    std::abort();
}

ParsedPath SetupPath(const Machine& m, const std::string& path) {
    ParsedPath parsed;
    if (!ParsePathFrom(m.currentFolder, path, parsed)) SetupFault("invalid path", path);
    return parsed;
}

// The node at a path for the set-up and inspection members: no side effects.
std::shared_ptr<Node> NodeAt(const Machine& m, const std::string& path) {
    Location where = LocateOn(const_cast<Machine&>(m), path, false);
    if (where.error) return nullptr;
    return where.node;
}

std::shared_ptr<Node> SetupNode(const Machine& m, const std::string& path) {
    std::shared_ptr<Node> node = NodeAt(m, path);
    if (!node) SetupFault("no file or folder to set up at", path);
    return node;
}

}  // namespace

FileSystemState& Fs() { return M().impl->fs; }

void Fail(DWORD error) { M().lastError = error; }

uintptr_t NewHandle() {
    uintptr_t h = Fs().nextHandle;
    Fs().nextHandle += 4;
    return h;
}

FILETIME Now() {
    long long seconds = Fs().clock++;
    return ToFileTime(kBaseTime + static_cast<unsigned long long>(seconds) * kSecond);
}

std::shared_ptr<Node> Node::Child(const std::string& childName) const {
    std::string lower = Lower(childName);
    for (const auto& child : children)
        if (child->bestFit.empty() && Lower(child->name) == lower) return child;
    // A path may name an entry by its short alias too.
    for (const auto& child : children)
        if (child->bestFit.empty() && !child->shortName.empty() && Lower(child->shortName) == lower)
            return child;
    return nullptr;
}

std::vector<std::shared_ptr<Node>> Node::Enumerated() const {
    std::vector<std::shared_ptr<Node>> out;
    for (const auto& name : order) {
        std::shared_ptr<Node> child = Child(name);
        if (child && std::find(out.begin(), out.end(), child) == out.end()) out.push_back(child);
    }
    for (const auto& child : children)
        if (std::find(out.begin(), out.end(), child) == out.end()) out.push_back(child);
    return out;
}

bool IsValidShortName(const std::string& name) {
    if (name == "." || name == "..") return true;
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (dot != std::string::npos && ext.empty()) return false;
    for (char c : base + ext)
        if (!IsShortNameChar(c)) return false;
    return true;
}

std::string DriveFolder(char letter) {
    const auto& folders = M().driveFolders;
    auto it = folders.find(DriveLetter(letter));
    return it == folders.end() ? std::string(1, DriveLetter(letter)) + ":\\" : it->second;
}

bool ParsePath(const std::string& path, ParsedPath& out) {
    return ParsePathFrom(M().currentFolder, path, out);
}

namespace {

// The names of a path, split at backslashes that are characters of their own (the
// trail byte of a double-byte character may be 0x5C).
std::vector<std::string> SplitNames(const std::string& rest) {
    std::vector<std::string> names(1);
    for (size_t i = 0; i < rest.size(); ++i) {
        if (IsLeadByte(rest[i]) && i + 1 < rest.size()) {
            names.back() += rest.substr(i, 2);
            ++i;
        } else if (rest[i] == '\\') {
            names.emplace_back();
        } else {
            names.back() += rest[i];
        }
    }
    return names;
}

bool HasInvalidNameChar(const std::string& name) {
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsLeadByte(name[i]) && i + 1 < name.size()) {
            ++i;
        } else if (IsInvalidNameChar(name[i])) {
            return true;
        }
    }
    return false;
}

// NTFS names a folder itself also by its index stream: "name::$INDEX_ALLOCATION" and
// "name:$I30:$INDEX_ALLOCATION".
std::string WithoutIndexStream(const std::string& name) {
    for (const char* suffix : {"::$index_allocation", ":$i30:$index_allocation"}) {
        const std::string tail(suffix);
        if (name.size() > tail.size() && Lower(name.substr(name.size() - tail.size())) == tail)
            return name.substr(0, name.size() - tail.size());
    }
    return name;
}

// "\\localhost\C$\rest" and "\\127.0.0.1\C$\rest", the administrative shares of
// this machine's drives: the drive letter, and the rest after the share.
bool AdminShare(const std::string& p, char& letter, std::string& rest) {
    size_t serverEnd = p.find('\\', 2);
    if (serverEnd == std::string::npos) return false;
    const std::string server = Lower(p.substr(2, serverEnd - 2));
    if (server != "localhost" && server != "127.0.0.1") return false;
    size_t shareEnd = p.find('\\', serverEnd + 1);
    const std::string share =
        p.substr(serverEnd + 1,
                 shareEnd == std::string::npos ? std::string::npos : shareEnd - serverEnd - 1);
    if (share.size() != 2 || share[1] != '$' || !std::isalpha(static_cast<unsigned char>(share[0])))
        return false;
    letter = DriveLetter(share[0]);
    rest = shareEnd == std::string::npos ? "\\" : p.substr(shareEnd);
    return true;
}

}  // namespace

bool ParsePathFrom(const std::string& cwd, const std::string& path, ParsedPath& out) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.empty()) return false;
    std::string rest;
    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        out.drive = DriveLetter(p[0]);
        rest = p.substr(2);
        bool onCwdDrive = cwd.size() >= 2 && DriveLetter(cwd[0]) == out.drive;
        // A drive-relative name starts from that drive's own current folder.
        if (rest.empty() || rest[0] != '\\')
            rest = (onCwdDrive ? cwd.substr(2) : DriveFolder(out.drive).substr(2)) + "\\" + rest;
    } else if (p.compare(0, 2, "\\\\") == 0) {
        // Of network names only this machine's administrative shares are simulated.
        if (!AdminShare(p, out.drive, rest)) return false;
    } else {
        if (cwd.size() < 2) return false;
        out.drive = DriveLetter(cwd[0]);
        rest = p[0] == '\\' ? p : cwd.substr(2) + "\\" + p;
    }
    const std::vector<std::string> names = SplitNames(rest);
    out.trailingBackslash = rest.size() > 1 && names.back().empty();
    for (const std::string& name : names) {
        std::string part = WithoutIndexStream(name);
        // The platform drops the dots and blanks that end a name ("a.txt." is "a.txt").
        if (part != "." && part != "..") part.erase(part.find_last_not_of(". ") + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!out.parts.empty()) out.parts.pop_back();
            continue;
        }
        if (HasInvalidNameChar(part)) return false;
        out.parts.push_back(part);
    }
    return true;
}

Location Locate(const std::string& path, bool report) {
    // The A calls take at most MAX_PATH characters; an empty name names no folder.
    if (path.size() > MAX_PATH || path.empty()) {
        Location where;
        where.error = path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_FILENAME_EXCED_RANGE;
        return where;
    }
    return LocateOn(M(), path, report);
}

Location LocateOn(Machine& m, const std::string& path, bool report) {
    Location where;
    ParsedPath parsed;
    if (!ParsePathFrom(m.currentFolder, path, parsed)) {
        where.error = ERROR_INVALID_NAME;
        return where;
    }
    where.letter = parsed.drive;
    where.trailingBackslash = parsed.trailingBackslash;
    auto& drives = m.impl->fs.drives;
    auto drive = drives.find(parsed.drive);
    if (drive == drives.end()) {
        where.error = ERROR_PATH_NOT_FOUND;
        return where;
    }
    where.drive = &drive->second;
    if (!drive->second.hasMedium) {
        if (report) ShowNoDiskBox(m, parsed.drive);
        where.error = ERROR_NOT_READY;
        return where;
    }
    std::shared_ptr<Node> folder = drive->second.root;
    if (parsed.parts.empty()) {
        where.node = folder;
        return where;
    }
    for (size_t i = 0; i + 1 < parsed.parts.size(); ++i) {
        folder = Followed(Step(m, *folder, parsed.parts[i]));
        if (!folder || !folder->IsFolder()) {
            where.error = ERROR_PATH_NOT_FOUND;
            return where;
        }
    }
    where.parent = folder;
    where.leaf = parsed.parts.back();
    where.node = Step(m, *folder, where.leaf);
    // Wine, asked about a link with a trailing backslash, answers for its target.
    if (where.node && where.node->isLink && where.trailingBackslash) {
        where.node = Followed(where.node);
        if (!where.node) {
            where.error = ERROR_PATH_NOT_FOUND;
            return where;
        }
        where.parent = where.node->parent ? FindShared(*where.node->parent) : nullptr;
    }
    return where;
}

std::shared_ptr<Node> Followed(const std::shared_ptr<Node>& node) {
    if (!node || !node->isLink) return node;
    return node->linkTarget.lock();
}

std::shared_ptr<Node> Body(const std::shared_ptr<Node>& node) {
    if (!node) return node;
    if (node->sameFile) return node->sameFile;
    if (node->isLink && !node->IsFolder()) return Body(node->linkTarget.lock());
    return node;
}

DWORD ShownAttributes(const Node& node) {
    return node.sameFile ? node.sameFile->attributes : node.attributes;
}

DWORD LinkCount(const Node& body) {
    std::vector<const Node*> all;
    for (const auto& entry : Fs().drives)
        if (!entry.second.isAlias && entry.second.root) CollectTree(*entry.second.root, all);
    DWORD count = 0;
    for (const Node* n : all)
        if (n == &body || n->sameFile.get() == &body) ++count;
    return count;
}

DWORD VolumeSerialOf(const Node& node) {
    const Node* top = &node;
    while (top->parent) top = top->parent;
    for (const auto& entry : Fs().drives)
        if (!entry.second.isAlias && entry.second.root.get() == top) return top->volumeSerial;
    return 0;
}

DWORD MissingError(const Location& where) {
    if (where.error) return where.error;
    return ERROR_FILE_NOT_FOUND;
}

DWORD WriteProtection(const Location& where) {
    if (!where.drive || !where.drive->readOnly) return 0;
    return where.drive->type == DRIVE_CDROM ? ERROR_ACCESS_DENIED : ERROR_WRITE_PROTECT;
}

bool HasOpenHandle(const Node& node, bool withoutShareDelete) {
    for (const auto& entry : Fs().files) {
        if (entry.second.node.get() != &node) continue;
        if (!withoutShareDelete || !(entry.second.share & FILE_SHARE_DELETE)) return true;
    }
    return false;
}

bool Busy(const Node& node) {
    std::vector<const Node*> all;
    CollectTree(node, all);
    for (const Node* n : all)
        if (n->inUse || HasOpenHandle(*n, true)) return true;
    return node.IsFolder() && HoldsCurrentFolder(node);
}

std::shared_ptr<Node> CreateNode(Node& parent, const std::string& name, DWORD attributes) {
    auto node = std::make_shared<Node>();
    node->attributes = attributes;
    node->writeTime = node->creationTime = Now();
    node->index = Fs().nextIndex++;
    AttachNode(parent, node, name);
    return node;
}

void AttachNode(Node& parent, const std::shared_ptr<Node>& node, const std::string& name) {
    node->name = name;
    node->parent = &parent;
    node->shortName = IsValidShortName(name) ? "" : GenerateShortName(parent, name);
    parent.children.push_back(node);
}

void RenameNode(Node& node, const std::string& name) {
    node.name = name;
    node.shortName.clear();
    if (!IsValidShortName(name)) node.shortName = GenerateShortName(*node.parent, name);
}

void RemoveNode(Node& node) {
    Node* parent = node.parent;
    if (!parent) return;
    auto& siblings = parent->children;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [&](const std::shared_ptr<Node>& n) { return n.get() == &node; }),
                   siblings.end());
    node.parent = nullptr;
}

std::string FullPath(const Node& node) {
    if (!node.parent) return node.name + "\\";
    std::string parent = FullPath(*node.parent);
    if (parent.back() != '\\') parent += '\\';
    return parent + node.name;
}

bool MatchesPattern(const std::string& pattern, const std::string& name) {
    std::string p = Lower(pattern), n = Lower(name);
    // "x.*" also matches "x", and "x." matches a name without extension.
    if (p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0 &&
        MatchesPattern(pattern.substr(0, pattern.size() - 2), name))
        return true;
    if (!p.empty() && p.back() == '.' && n.find('.') == std::string::npos &&
        MatchesPattern(pattern.substr(0, pattern.size() - 1), name))
        return true;
    size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    // Trailing '?' may match nothing, as at the end of a name.
    while (pi < p.size() && (p[pi] == '*' || p[pi] == '?')) ++pi;
    return pi == p.size();
}

void InitDefaultFiles(Machine& machine) {
    machine.AddDrive('C', DRIVE_FIXED);
    machine.AddFolder("C:\\Windows\\System32");
    machine.AddFolder("C:\\Windows\\Temp");
}

// --- Machine members ---------------------------------------------------------

void Machine::AddDrive(char letter, UINT type, bool readOnly, bool hasMedium) {
    char upper = DriveLetter(letter);
    Drive& drive = impl->fs.drives[upper];
    drive.type = type;
    drive.readOnly = readOnly;
    drive.hasMedium = hasMedium;
    if (drive.root) return;
    drive.root = std::make_shared<Node>();
    drive.root->name = std::string(1, upper) + ":";
    drive.root->attributes = FILE_ATTRIBUTE_DIRECTORY;
    drive.root->writeTime = drive.root->creationTime = Now();
    drive.root->index = impl->fs.nextIndex++;
    drive.root->volumeSerial = 0x1E000000u + static_cast<DWORD>(upper);
}

void Machine::AddDriveAlias(char letter, const std::string& folder) {
    Drive& drive = impl->fs.drives[DriveLetter(letter)];
    drive.root = SetupNode(*this, folder);
    drive.isAlias = true;
}

namespace {

// A new name at `path` (missing folders made); aborts when the name is taken.
std::shared_ptr<Node> NewSetupName(Machine& m, const std::string& path, DWORD attributes) {
    ParsedPath parsed = SetupPath(m, path);
    if (parsed.parts.empty()) SetupFault("not a link path", path);
    Drive& drive = SetupDrive(m, parsed.drive);
    std::shared_ptr<Node> folder = MakeFolders(drive, parsed.parts, parsed.parts.size() - 1);
    if (folder->Child(parsed.parts.back())) SetupFault("the name is taken:", path);
    return CreateNode(*folder, parsed.parts.back(), attributes);
}

}  // namespace

void Machine::AddLink(const std::string& path, const std::string& target) {
    std::shared_ptr<Node> to = SetupNode(*this, target);
    const DWORD kind = to->IsFolder() ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    std::shared_ptr<Node> link = NewSetupName(*this, path, kind | FILE_ATTRIBUTE_REPARSE_POINT);
    link->isLink = true;
    link->linkTarget = to;
}

void Machine::AddHardLink(const std::string& path, const std::string& target) {
    std::shared_ptr<Node> file = Body(SetupNode(*this, target));
    if (!file || file->IsFolder()) SetupFault("no file to link to at", target);
    NewSetupName(*this, path, 0)->sameFile = file;
}

void Machine::AddFolder(const std::string& path, DWORD attributes) {
    ParsedPath parsed = SetupPath(*this, path);
    Drive& drive = SetupDrive(*this, parsed.drive);
    std::shared_ptr<Node> folder = MakeFolders(drive, parsed.parts, parsed.parts.size());
    if (folder != drive.root) folder->attributes = attributes | FILE_ATTRIBUTE_DIRECTORY;
}

void Machine::AddFile(const std::string& path, const std::string& content, DWORD attributes) {
    ParsedPath parsed = SetupPath(*this, path);
    if (parsed.parts.empty()) SetupFault("not a file path", path);
    Drive& drive = SetupDrive(*this, parsed.drive);
    std::shared_ptr<Node> folder = MakeFolders(drive, parsed.parts, parsed.parts.size() - 1);
    std::shared_ptr<Node> file = folder->Child(parsed.parts.back());
    if (file && file->IsFolder()) SetupFault("a folder is in the way of", path);
    if (!file) file = CreateNode(*folder, parsed.parts.back(), 0);
    file->attributes = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
    file->content = content;
}

namespace {

// The best-fit A form of a UTF-8 name: full-width ASCII becomes ASCII, any other
// character beyond ASCII '?'.
std::string BestFit(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (length == 1) {
            out += static_cast<char>(c);
        } else if (length == 3 && i + 2 < utf8.size()) {
            unsigned code = ((c & 0x0Fu) << 12) |
                            ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
                            (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            out += code >= 0xFF01 && code <= 0xFF5E ? static_cast<char>(code - 0xFF01 + 0x21) : '?';
        } else {
            out += '?';
        }
        i += length;
    }
    return out;
}

}  // namespace

void Machine::AddUnicodeFile(const std::string& folder, const std::string& utf8Name,
                             const std::string& content) {
    std::shared_ptr<Node> parent = SetupNode(*this, folder);
    if (!parent->IsFolder()) SetupFault("not a folder", folder);
    std::shared_ptr<Node> file = CreateNode(*parent, utf8Name, FILE_ATTRIBUTE_ARCHIVE);
    file->shortName.clear();
    file->bestFit = BestFit(utf8Name);
    file->content = content;
}

void Machine::SetInUse(const std::string& path, bool inUse) {
    SetupNode(*this, path)->inUse = inUse;
}

void Machine::SetShortName(const std::string& path, const std::string& shortName) {
    std::shared_ptr<Node> node = SetupNode(*this, path);
    node->shortName = shortName == node->name ? "" : shortName;
}

void Machine::SetShortNamesEnabled(char drive, bool enabled) {
    SetupDrive(*this, drive).shortNames = enabled;
}

void Machine::SetWriteTime(const std::string& path, const FILETIME& time) {
    SetupNode(*this, path)->writeTime = time;
}

void Machine::SetDosWriteTime(const std::string& path, WORD date, WORD time) {
    SetupNode(*this, path)->writeTime = DosToFileTime(date, time);
}

void Machine::SetEnumerationOrder(const std::string& folder,
                                  const std::vector<std::string>& names) {
    SetupNode(*this, folder)->order = names;
}

void Machine::SetAttributes(const std::string& path, DWORD attributes) {
    std::shared_ptr<Node> node = SetupNode(*this, path);
    DWORD dir = node->attributes & FILE_ATTRIBUTE_DIRECTORY;
    node->attributes = (attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY)) | dir;
}

bool Machine::Exists(const std::string& path) const { return NodeAt(*this, path) != nullptr; }

std::vector<std::string> Machine::Access(const std::string& path) const {
    std::shared_ptr<Node> node = NodeAt(*this, path);
    return node ? node->access : std::vector<std::string>();
}

bool Machine::IsFolder(const std::string& path) const {
    std::shared_ptr<Node> node = NodeAt(*this, path);
    return node && node->IsFolder();
}

std::string Machine::Content(const std::string& path) const {
    std::shared_ptr<Node> node = Body(NodeAt(*this, path));
    return node ? node->content : "";
}

DWORD Machine::Attributes(const std::string& path) const {
    std::shared_ptr<Node> node = NodeAt(*this, path);
    return node ? ShownAttributes(*node) : INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Machine::List(const std::string& folder) const {
    std::vector<std::string> names;
    std::shared_ptr<Node> node = NodeAt(*this, folder);
    if (!node) return names;
    for (const auto& child : node->Enumerated()) names.push_back(child->name);
    return names;
}

void Machine::SetFreeSpace(char drive, long long bytesLeft) {
    SetupDrive(*this, drive).freeSpace = bytesLeft;
}

void Machine::RefuseRecycle(const std::string& path) {
    impl->fs.refusedRecycle.insert(Lower(path));
}

}  // namespace winsim
