// Directory searches and short (8.3) path names.
#include <algorithm>
#include <cstring>

#include "Internal.h"

namespace winsim {

namespace {

void CopyName(char* target, size_t size, const std::string& name) {
    size_t n = std::min(name.size(), size - 1);
    std::memcpy(target, name.data(), n);
    target[n] = '\0';
}

WIN32_FIND_DATAA Entry(const Node& node, const std::string& name, bool shortNames) {
    WIN32_FIND_DATAA data;
    std::memset(&data, 0, sizeof data);
    const DWORD attributes = ShownAttributes(node);
    data.dwFileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    data.ftCreationTime = node.creationTime;
    data.ftLastAccessTime = node.writeTime;
    data.ftLastWriteTime = node.writeTime;
    const Node& file = node.sameFile ? *node.sameFile : node;  // a link shows size 0
    data.nFileSizeLow = node.IsFolder() ? 0 : static_cast<DWORD>(file.content.size());
    CopyName(data.cFileName, sizeof data.cFileName, node.bestFit.empty() ? name : node.bestFit);
    if (shortNames && name == node.name) CopyName(data.cAlternateFileName, 14, node.shortName);
    return data;
}

// The platform's directory search also takes '<', '>' and '"' as wildcards (the DOS
// forms of '*', '?' and '.').
bool HasWildcards(const std::string& s) { return s.find_first_of("*?<>\"") != std::string::npos; }

std::string PlainWildcards(std::string pattern) {
    for (char& c : pattern) {
        if (c == '<') c = '*';
        if (c == '>') c = '?';
        if (c == '"') c = '.';
    }
    return pattern;
}

// Splits "dir\pattern" after its last backslash or colon, stepping by characters so
// that the trail byte of a double-byte character is never taken for either.
void SplitPattern(const std::string& path, std::string& folder, std::string& pattern) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(path[i]) && i + 1 < path.size()) {
            ++i;
        } else if (path[i] == '\\' || path[i] == '/' || path[i] == ':') {
            cut = i;
        }
    }
    folder = cut == std::string::npos ? "" : path.substr(0, cut + 1);
    pattern = cut == std::string::npos ? path : path.substr(cut + 1);
}

std::vector<WIN32_FIND_DATAA> Matches(const Node& folder, const std::string& given,
                                      bool shortNames) {
    std::vector<WIN32_FIND_DATAA> out;
    const std::string pattern = HasWildcards(given) ? PlainWildcards(given) : given;
    if (!HasWildcards(pattern)) {
        std::string lower = Lower(pattern);
        for (const auto& child : folder.children) {
            if (!child->bestFit.empty()) continue;  // no A name reaches it
            if (Lower(child->name) == lower ||
                (shortNames && !child->shortName.empty() && Lower(child->shortName) == lower))
                out.push_back(Entry(*child, child->name, shortNames));
        }
        return out;
    }
    if (folder.parent) {
        if (MatchesPattern(pattern, ".")) out.push_back(Entry(folder, ".", false));
        if (MatchesPattern(pattern, "..")) out.push_back(Entry(*folder.parent, "..", false));
    }
    // Like the platform, a pattern also matches an entry by its alias ("*.htm" finds
    // "a.html" through "A~1.HTM").
    for (const auto& child : folder.Enumerated())
        if (MatchesPattern(pattern, child->bestFit.empty() ? child->name : child->bestFit) ||
            (shortNames && !child->shortName.empty() && MatchesPattern(pattern, child->shortName)))
            out.push_back(Entry(*child, child->name, shortNames));
    return out;
}

HANDLE FindFails(DWORD error) {
    Fail(error);
    return INVALID_HANDLE_VALUE;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

}  // namespace winsim

using namespace winsim;

HANDLE WINAPI FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
    if (Faulted("FindFirstFileA", ERROR_ACCESS_DENIED)) return INVALID_HANDLE_VALUE;
    if (!fileName || !*fileName) return FindFails(ERROR_PATH_NOT_FOUND);
    std::string folderText, pattern;
    SplitPattern(fileName, folderText, pattern);
    if (pattern.empty()) return FindFails(ERROR_FILE_NOT_FOUND);
    Location where = Locate(folderText.empty() ? "." : folderText);
    if (where.error) return FindFails(where.error);
    if (!where.node) return FindFails(ERROR_PATH_NOT_FOUND);
    if (!where.node->IsFolder()) return FindFails(ERROR_INVALID_NAME);
    FindSearch search;
    search.entries = Matches(*where.node, pattern, where.drive->shortNames);
    if (search.entries.empty()) return FindFails(ERROR_FILE_NOT_FOUND);
    *findData = search.entries[0];
    search.next = 1;
    uintptr_t h = NewHandle();
    Fs().finds[h] = search;
    return reinterpret_cast<HANDLE>(h);
}

BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData) {
    if (Faulted("FindNextFileA", ERROR_NOT_READY)) return FALSE;
    auto it = Fs().finds.find(reinterpret_cast<uintptr_t>(find));
    if (it == Fs().finds.end()) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    FindSearch& search = it->second;
    if (search.next >= search.entries.size()) {
        Fail(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *findData = search.entries[search.next++];
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE find) {
    if (!Fs().finds.erase(reinterpret_cast<uintptr_t>(find))) {
        Fail(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

namespace {

// The short form of a path that exists, built component by component: each becomes its
// alias, or its stored name when that is a valid 8.3 name; the drive stays as written.
// A missing file or folder anywhere is ERROR_FILE_NOT_FOUND, as Wine answers.
bool ShortForm(const std::string& path, std::string& out, DWORD& error) {
    Location where = Locate(path);
    if (where.error || !where.node) {
        error = where.error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : MissingError(where);
        return false;
    }
    if (!where.drive->shortNames) {
        out = path;
        return true;
    }
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':') start = 2;
    out = path.substr(0, start);
    std::string walked = out;
    while (start < path.size()) {
        if (IsSeparator(path[start])) {
            out += path[start];
            walked += path[start];
            ++start;
            continue;
        }
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        std::string part = path.substr(start, end - start);
        walked += part;
        std::shared_ptr<Node> node = Locate(walked, false).node;
        if (part == "." || part == ".." || !node)
            out += part;
        else
            out += node->shortName.empty() ? node->name : node->shortName;
        start = end;
    }
    return true;
}

}  // namespace

DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
    if (Faulted("GetShortPathNameA", ERROR_ACCESS_DENIED)) return 0;
    if (!longPath) {
        Fail(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string result;
    DWORD error = 0;
    if (!ShortForm(longPath, result, error)) {
        Fail(error);
        return 0;
    }
    DWORD length = static_cast<DWORD>(result.size());
    if (!shortPath || size <= length) return length + 1;
    std::memcpy(shortPath, result.c_str(), length + 1);
    return length;
}
