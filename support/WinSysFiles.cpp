// Paths, files, list files and the recycle bin.
#include <windows.h>
// The shell header needs the system header first.
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "Tools.h"
#include "WinSys.h"
#include "WinSysFiles.h"
#include "WinSysHandles.h"

namespace {

const char* const TestFileName = "$$$.$$$";
const char* const TestFileBase = "$$$";
const char* const TestFileSuffix = ".$$$";
const char EndOfFileMark = '\x1A';
const DWORD ShortPathBufferSize = 255;
const DWORD FolderBufferSize = MAX_PATH;
const char* const PartialSuffix = ".new";
const int FreshNameTries = 100;

// The name as the user should read it in a message: the system's full path, which
// also resolves drive-relative names ("Q:x") and names from the drive's root.
std::string FullPathForMessage(const std::string& name) {
    char buffer[FolderBufferSize];
    const DWORD length = GetFullPathNameA(name.c_str(), FolderBufferSize, buffer, nullptr);
    if (length == 0 || length >= FolderBufferSize) {
        return name;
    }
    return std::string(buffer, length);
}

// A file that did not exist before this call: `base` + `suffix`, or, while that name
// is taken by anything (a file, a folder, a link), `base` + ".1" + `suffix`, ".2" and
// so on. A name that exists is never opened: in a folder that others may write it
// may be a link to somebody's file. `name` receives the name created.
HANDLE CreateFreshFile(const std::string& base, const std::string& suffix, std::string& name) {
    for (int n = 0; n < FreshNameTries; ++n) {
        name = base + (n == 0 ? std::string() : "." + DecimalText(n)) + suffix;
        const HANDLE file = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            return file;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return INVALID_HANDLE_VALUE;
        }
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, const std::string& data) {
    if (data.empty()) {
        return true;
    }
    DWORD written = 0;
    if (!WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr)) {
        return false;
    }
    return written == data.size();
}

bool ReadAll(HANDLE file, std::string& text) {
    text.clear();
    char chunk[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk, sizeof(chunk), &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        text.append(chunk, read > sizeof(chunk) ? sizeof(chunk) : read);
    }
}

// Lines end at CR LF, a lone CR or a lone LF; a NUL ends the text; a break at
// the very end starts no further line.
StringList SplitLines(std::string text) {
    text = text.substr(0, text.find('\0'));
    StringList lines;
    std::string::size_type start = 0;
    std::string::size_type i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.push_back(text.substr(start, i - start));
        const bool isCrLf = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        i += isCrLf ? 2u : 1u;
        start = i;
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// End-of-file marks at the end of the list go, and lines made only of them.
void DropEndOfFileMarks(StringList& lines) {
    while (!lines.empty() && !lines.back().empty() && lines.back().back() == EndOfFileMark) {
        lines.back().pop_back();
        if (lines.back().empty()) {
            lines.pop_back();
        }
    }
}

std::string CannotCreateText(const std::string& name, DWORD error) {
    return "Cannot create file \"" + FullPathForMessage(name) + "\". " + SystemMessage(error);
}

// A list file is written beside its place into a file of its own making and takes
// its place only when complete: its reader never finds it cut short, and a failed
// write leaves the previous file as it was. The partial file goes again on failure.
// `partName` receives the partial file's name.
void WritePartialFile(const std::string& name, const std::string& text, std::string& partName) {
    KernelHandle file(CreateFreshFile(name, PartialSuffix, partName));
    if (!file.IsValid()) {
        const DWORD error = GetLastError();
        throw FileCreateError(CannotCreateText(name, error));
    }
    const bool isWritten = WriteAll(file.Get(), text);
    const DWORD error = GetLastError();
    file.Close();
    if (!isWritten) {
        // Nothing more to undo when this fails: the error below says the list was not saved.
        IgnoreResult(DeleteFileA(partName.c_str()));
        throw InOutError("Cannot write file \"" + FullPathForMessage(name) + "\". " +
                         SystemMessage(error));
    }
}

// Replaces `name` by `partName`. The rename replaces a link at `name` itself, never its
// target. The 9x family has no MoveFileExA: there the old file goes first, then the new
// one takes its name (a rename that fails then leaves no list, never a cut-off one).
bool PutInPlace(const std::string& partName, const std::string& name) {
    if (MoveFileExA(partName.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        return false;
    }
    if (!RetireFile(name)) {
        return false;
    }
    return MoveFileA(partName.c_str(), name.c_str()) != FALSE;
}

// Critical-error boxes stay off while an instance lives.
class CriticalErrorsOff {
public:
    CriticalErrorsOff() { CheckedSetErrorMode(true); }
    ~CriticalErrorsOff() { CheckedSetErrorMode(false); }
    CriticalErrorsOff(const CriticalErrorsOff&) = delete;
    CriticalErrorsOff& operator=(const CriticalErrorsOff&) = delete;
};

}  // namespace

// ---------------------------------------------------------------------------
// Texts and paths.

int CompareNoCase(const std::string& a, const std::string& b) {
    // A failed comparison (0) comes out as "not equal".
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(),
                          static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size())) -
           CSTR_EQUAL;
}

std::string SafeFileName(const std::string& path) {
    return FolderPart(path) + TranslateChars(FileNamePart(path), "[]______", "<>:\"/\\|%");
}

std::string ShortPath(const std::string& path) {
    ClearLastError();
    char buffer[ShortPathBufferSize];
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, ShortPathBufferSize);
    // A length that does not fit is the size the system would need: no answer.
    if (length == 0 || length >= ShortPathBufferSize) {
        return path;
    }
    return std::string(buffer, length);
}

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The characters of a text, each one or two bytes in the system's code page, so that
// the trail byte of a double-byte character is never taken for a backslash.
std::vector<std::string> Characters(const std::string& text) {
    std::vector<std::string> characters;
    const char* const end = text.c_str() + text.size();
    for (const char* p = text.c_str(); p < end;) {
        const char* next = NextCharacter(p, end);
        characters.push_back(std::string(p, next));
        p = next;
    }
    return characters;
}

}  // namespace

std::string NormalisedPath(const std::string& path) {
    const std::vector<std::string> characters = Characters(path);
    if (characters.size() < 3 || characters[0].size() != 1 || !IsDriveLetter(characters[0][0]) ||
        characters[1] != ":" || (characters[2] != "\\" && characters[2] != "/")) {
        return "";
    }
    std::vector<std::string> names(1);
    for (size_t i = 3; i < characters.size(); ++i) {
        const std::string& c = characters[i];
        if (c == "\\" || c == "/") {
            names.push_back("");
        } else if (HoldsCharacterOf(c, ForbiddenNameCharacters)) {
            return "";
        } else {
            names.back() += c;
        }
    }
    if (names.size() > 1 && names.back().empty()) {
        names.pop_back();  // one trailing backslash
    }
    std::string result = characters[0] + ":";
    for (std::string name : names) {
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
            name.pop_back();
        }
        if (name.empty() && names.size() > 1) {
            return "";
        }
        if (!name.empty()) {
            result += "\\" + name;
        }
    }
    return result;
}

std::vector<std::string> PathSpellings(const std::string& normalised) {
    std::vector<std::string> spellings(1, normalised);
    const std::string shortForm = NormalisedPath(ShortPath(normalised));
    if (!shortForm.empty() && CompareNoCase(shortForm, normalised) != 0) {
        spellings.push_back(shortForm);
    }
    return spellings;
}

bool IsSameOrHolds(const std::string& outer, const std::string& inner) {
    if (CompareNoCase(outer, inner) == 0) {
        return true;
    }
    return inner.size() > outer.size() && inner[outer.size()] == '\\' &&
           CompareNoCase(outer, inner.substr(0, outer.size())) == 0;
}

FolderIdentity FolderIdentity::Of(const std::string& folder) {
    FolderIdentity identity;
    const std::string trimmed = RemoveBackslash(folder);
    // A root ("C:") is opened with its backslash; any other folder without one. An empty
    // name is no folder: with a backslash it would name the current drive's root.
    const bool isRoot = !trimmed.empty() && FolderPart(trimmed) == trimmed;
    const std::string path = isRoot ? trimmed + "\\" : trimmed;
    KernelHandle handle(CreateFileA(path.c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.IsValid()) {
        return identity;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle.Get(), &information)) {
        return identity;
    }
    identity.known = true;
    identity.volume = information.dwVolumeSerialNumber;
    identity.indexHigh = information.nFileIndexHigh;
    identity.indexLow = information.nFileIndexLow;
    return identity;
}

bool FolderIdentity::operator==(const FolderIdentity& other) const {
    return known && other.known && volume == other.volume && indexHigh == other.indexHigh &&
           indexLow == other.indexLow;
}

bool IsSameFolder(const std::string& a, const std::string& b) {
    const std::string first = NormalisedPath(a);
    const std::string second = NormalisedPath(b);
    if (first.empty() || second.empty()) {
        return false;
    }
    for (const std::string& one : PathSpellings(first)) {
        for (const std::string& other : PathSpellings(second)) {
            if (CompareNoCase(one, other) == 0) {
                return true;
            }
        }
    }
    return DetectWindowsVersion() && FolderIdentity::Of(first) == FolderIdentity::Of(second);
}

// ---------------------------------------------------------------------------
// Files.

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileIsPresent(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    WIN32_FIND_DATAA data;
    DirectorySearch search(name, data);
    if (!search.Found()) {
        return false;
    }
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RetireFile(const std::string& name) {
    if (!FileIsPresent(name)) {
        return true;
    }
    std::string freshName;
    KernelHandle fresh(CreateFreshFile(name, PartialSuffix, freshName));
    if (!fresh.IsValid()) {
        return false;
    }
    fresh.Close();
    if (!MoveFileExA(freshName.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD error = GetLastError();
        // When this fails our own empty file stays; the name it was to replace is left alone.
        IgnoreResult(DeleteFileA(freshName.c_str()));
        // The 9x family has neither MoveFileExA nor links nor rights of one user over
        // another's files: there a name is just a file, and a plain delete is sound.
        return error == ERROR_CALL_NOT_IMPLEMENTED && DeleteFileA(name.c_str()) != FALSE;
    }
    // The name is now our own empty file: deleting it reaches nothing else.
    return DeleteFileA(name.c_str()) != FALSE;
}

bool IsUsableDrive(char letter) {
    const char root[] = {letter, ':', '\\', '\0'};
    const UINT type = GetDriveTypeA(root);
    return type >= DRIVE_REMOVABLE && type <= DRIVE_RAMDISK;
}

bool IsWritableFolder(const std::string& folder) {
    const std::string testPath = AddBackslash(folder) + TestFileName;
    if (!IsUsableDrive(testPath[0])) {
        return false;
    }
    bool isWritten = false;
    CriticalErrorsOff noCriticalErrorBoxes;
    try {
        // A stale test file that may not be replaced stays; the test takes another name.
        IgnoreResult(RetireFile(testPath));
        std::string freshName;
        KernelHandle file(
            CreateFreshFile(AddBackslash(folder) + TestFileBase, TestFileSuffix, freshName));
        if (file.IsValid()) {
            isWritten = WriteAll(file.Get(), TestFileName);
            file.Close();
            // Only our own test file could stay behind; the answer stands.
            IgnoreResult(DeleteFileA(freshName.c_str()));
        }
    } catch (...) {
        // Any failure of the test means the folder is not writable.
    }
    return isWritten;
}

bool LoadListFile(StringList& list, const std::string& name) {
    list.clear();
    try {
        if (!FileIsPresent(name)) {
            return false;
        }
        KernelHandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) {
            return false;
        }
        std::string text;
        if (!ReadAll(file.Get(), text)) {
            return false;
        }
        list = SplitLines(text);
        DropEndOfFileMarks(list);
        return true;
    } catch (...) {
        list.clear();
        return false;
    }
}

void SaveListFile(const StringList& list, const std::string& name) {
    const std::string safeName = SafeFileName(name);
    std::string partName;
    std::string text;
    for (const std::string& line : list) {
        text += line;
        text += "\r\n";
    }
    WritePartialFile(safeName, text, partName);
    if (!PutInPlace(partName, safeName)) {
        const DWORD error = GetLastError();
        // Nothing more to undo when this fails: the error below says the list was not saved.
        IgnoreResult(DeleteFileA(partName.c_str()));
        throw FileCreateError(CannotCreateText(safeName, error));
    }
}

RecycleOutcome RecycleItem(const std::string& path) {
    const std::string item = RemoveBackslash(path);
    // Nothing to recycle; Wine's shell would even ask before deleting it for good.
    if (GetFileAttributesA(item.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return RecycleOutcome::Failed;
    }
    // The shell takes a list of names ended by an empty one: two NULs at the end.
    std::vector<char> names;
    names.assign(item.begin(), item.end());
    names.push_back('\0');
    names.push_back('\0');

    SHFILEOPSTRUCTA operation;
    std::memset(&operation, 0, sizeof(operation));
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = names.data();
    operation.pTo = nullptr;
    // What the shell cannot recycle (no recycle bin on the drive, a full one) it would
    // delete for good without a word; the nuke warning makes it ask the user first.
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_WANTNUKEWARNING;
    const int result = SHFileOperationA(&operation);
    // The shell answers 0 also when the user kept the item, and, in Wine, for an item
    // it could neither recycle nor delete: only an item that is gone counts.
    if (operation.fAnyOperationsAborted) {
        return RecycleOutcome::Kept;
    }
    if (result != 0 || GetFileAttributesA(item.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return RecycleOutcome::Failed;
    }
    return RecycleOutcome::Gone;
}

bool IsRecycleBinUsable(const std::string& path) {
    const bool onDrive = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    if (!onDrive) {
        return false;
    }
    const std::string root = path.substr(0, 3);
    // Removable, network and other drives have no recycle bin.
    if (GetDriveTypeA(root.c_str()) != DRIVE_FIXED) {
        return false;
    }
    // Windows 95 and NT 4.0 without a newer shell lack the question.
    typedef HRESULT(WINAPI * QueryRecycleBin)(LPCSTR, SHQUERYRBINFO*);
    HMODULE shell = GetModuleHandleA("shell32.dll");
    if (shell == nullptr) {
        return true;
    }
    const QueryRecycleBin query = SystemFunction<QueryRecycleBin>(shell, "SHQueryRecycleBinA");
    if (query == nullptr) {
        return true;
    }
    SHQUERYRBINFO information;
    std::memset(&information, 0, sizeof(information));
    information.cbSize = sizeof(information);
    // Wine answers a failure when its recycle bin (the user's trash) cannot be used.
    return SUCCEEDED(query(root.c_str(), &information));
}

bool MoveToRecycleBin(const std::string& path) { return RecycleItem(path) == RecycleOutcome::Gone; }
