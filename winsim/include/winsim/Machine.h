// The simulated machine behind winsim's Win32 functions. Each test builds a fresh
// Machine (it becomes the current one for its lifetime), sets it up through the
// members below, runs the system's own routines, and reads what happened from the
// transcript and the machine's state.
#ifndef WINSIM_MACHINE_H
#define WINSIM_MACHINE_H

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace winsim {

struct BoxRecord {
    std::string caption;
    std::string text;
    UINT style;
    int answer;  // the button pressed, or 0 when the box could not be shown
};

struct ProcessRecord {
    std::string via;            // "WinExec" or "CreateProcess"
    std::string commandLine;    // as handed to the call
    std::string currentFolder;  // the folder the new process starts in
    UINT showMode;              // WinExec's show mode (0 for CreateProcess)
};

struct TokenGroup {
    BYTE authority[6];
    std::vector<DWORD> subAuthorities;
    DWORD attributes;
};

// A failure to inject into a token call: when `fail` is set the call returns
// FALSE with `error` as the last-error code.
struct InjectedFailure {
    bool fail = false;
    DWORD error = 0;
};

// RaiseException on the simulated machine: the platform's own handling of a
// structured exception that nothing handles ends the process; here it is thrown.
struct StructuredException {
    DWORD code;
    DWORD flags;
    std::vector<ULONG_PTR> arguments;
};

class Machine {
public:
    // A fresh machine: Windows 10 (NT 10.0, build 19041), the user an administrator,
    // drive C: fixed with C:\Windows, C:\Windows\System32 and C:\Windows\Temp,
    // temporary path "C:\Windows\Temp\", current folder "C:\", module
    // "C:\Setup\Setup.exe", command line "Setup.exe", short names on.
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;
    static Machine& Current();

    // --- Version -------------------------------------------------------------
    void SetVersion(DWORD major, DWORD minor, DWORD platformId, DWORD build = 0);
    void SetWindows98() { SetVersion(4, 10, VER_PLATFORM_WIN32_WINDOWS, 2222); }
    void SetWindowsNT4() { SetVersion(4, 0, VER_PLATFORM_WIN32_NT, 1381); }
    void SetWindows2000() { SetVersion(5, 0, VER_PLATFORM_WIN32_NT, 2195); }
    void SetWindowsXP() { SetVersion(5, 1, VER_PLATFORM_WIN32_NT, 2600); }
    void SetWindows7() { SetVersion(6, 1, VER_PLATFORM_WIN32_NT, 7601); }
    OSVERSIONINFOA version;
    int servicePack = 0;  // of Windows XP: SetDllDirectoryA comes with the first

    // --- Libraries and the DLL search -----------------------------------------
    // LoadLibraryA records what it was asked ("load: <name>") and loads only a system
    // library (kernel32, user32, advapi32, shell32, lz32) named by the system folder's
    // full path; any other name fails with ERROR_MOD_NOT_FOUND, though Windows would
    // search for it: a bare name is found along a search order that includes folders
    // others may write, which a test must see. FreeLibrary records "free: <name>".
    // GetProcAddress answers the functions each version has: SetDefaultDllDirectories
    // on 6.2 and later (and on 6.0 and 6.1 with `dllDirectoryUpdate`, the update that
    // brought it), SetDllDirectoryA on XP from its first service pack and on 5.2 and
    // later, GetModuleFileNameW everywhere (on Windows 98 a stub failing with
    // ERROR_CALL_NOT_IMPLEMENTED), the security-descriptor functions on the NT family
    // (AddAccessAllowedAceEx and SetSecurityDescriptorControl from 5.0 on). The calls of
    // the DLL-search functions are recorded ("dllsearch: SetDefaultDllDirectories 0x800",
    // "dllsearch: SetDllDirectoryA \"\"").
    bool dllDirectoryUpdate = false;
    // Functions GetProcAddress does not find although the version has them, as on a
    // system built without them.
    std::vector<std::string> missingExports;

    // --- Process identity ------------------------------------------------------
    DWORD tickCount = 0x0004D2F1;  // GetTickCount
    DWORD processId = 0x00000F3C;  // GetCurrentProcessId

    // --- Access token --------------------------------------------------------
    struct Token {
        // Groups of the process token. Default: Everyone, Users, Administrators (enabled).
        std::vector<TokenGroup> processGroups;
        // When set, the thread has its own (impersonation) token with these groups.
        bool hasThreadToken = false;
        std::vector<TokenGroup> threadGroups;
        int openHandles = 0;    // opened minus closed token handles
        int allocatedSids = 0;  // allocated minus freed identities
    };
    Token token;
    // Convenience: make the process token hold (or not) the Administrators group.
    void SetAdministrator(bool isAdmin, DWORD attributes = SE_GROUP_ENABLED);

    // --- Drives and files ----------------------------------------------------
    void AddDrive(char letter, UINT type, bool readOnly = false, bool hasMedium = true);
    // Paths are full ("C:\dir\file"); missing parent folders are created, and a drive
    // not added yet is added as a fixed one. A drive without its medium fails file calls
    // with ERROR_NOT_READY; unless `errorMode` holds SEM_FAILCRITICALERRORS, each such call
    // also records the system's "Windows - No Disk" box (answered with Cancel; `boxAnswers`
    // is left alone). Read-only media fail changes with ERROR_WRITE_PROTECT, a read-only
    // CD-ROM with ERROR_ACCESS_DENIED.
    void AddFolder(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_DIRECTORY);
    void AddFile(const std::string& path, const std::string& content = "",
                 DWORD attributes = FILE_ATTRIBUTE_ARCHIVE);
    // A second drive letter for an existing folder (subst, or a second dosdevices link
    // in Wine): the same files on the same volume.
    void AddDriveAlias(char letter, const std::string& folder);
    // A junction (or a symbolic link, as Wine shows a Unix one) at `path` to the folder
    // `target`: attributes 0x410; a path through it leads into the target. Asked with a
    // trailing backslash, GetFileAttributesA answers for the target, as Wine does.
    // The shell handed the link acts on the target; RemoveDirectoryA on the link
    // removes an empty target and keeps the link (Wine).
    // A link to a FILE is a symbolic link as Windows shows it: attributes
    // FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE (Wine shows the plain file,
    // 0x20); opening or writing it reaches the target, and so does SetFileAttributesA;
    // CreateFileA with CREATE_NEW fails on it (ERROR_FILE_EXISTS); DeleteFileA deletes
    // the link itself (Wine deletes the target: code must never delete such a name it
    // did not create), and MoveFileExA with MOVEFILE_REPLACE_EXISTING onto it replaces
    // the link, the target stays (Windows and Wine).
    void AddLink(const std::string& path, const std::string& target);
    // A second name for the file at `target` (a hard link): both names share content,
    // attributes and times, writing one writes both, GetFileInformationByHandle counts
    // the names, and deleting or replacing one name leaves the other.
    void AddHardLink(const std::string& path, const std::string& target);
    // A 32-bit program on 64-bit Windows: "Sysnative" in the Windows folder names the
    // system folder.
    bool wow64 = false;
    // A file or folder that is in use: it cannot be moved, renamed, deleted or
    // opened for writing, and a folder holding it cannot be moved or removed.
    void SetInUse(const std::string& path, bool inUse = true);
    void SetShortName(const std::string& path, const std::string& shortName);
    void SetShortNamesEnabled(char drive,
                              bool enabled);  // off: GetShortPathNameA gives the long form
    void SetWriteTime(const std::string& path, const FILETIME& time);
    // Local DOS date and time (as FileTimeToDosDateTime gives them) of the write time.
    void SetDosWriteTime(const std::string& path, WORD date, WORD time);
    // The order in which FindFirstFileA/FindNextFileA return a folder's entries
    // (default: the order of creation).
    void SetEnumerationOrder(const std::string& folder, const std::vector<std::string>& names);
    void SetAttributes(const std::string& path, DWORD attributes);
    // A file whose name (UTF-8) holds characters the code page cannot express. The A
    // calls list it best fit: a full-width ASCII character (U+FF01 to U+FF5E) becomes its
    // ASCII one ("x＼..＼y" is listed "x\..\y"), any other character beyond ASCII "?".
    // No A name reaches it.
    void AddUnicodeFile(const std::string& folder, const std::string& utf8Name,
                        const std::string& content = "");

    // The access list a folder was created with (CreateDirectoryA with a security
    // descriptor), one line per entry, "allow <SID> <mask in hex> inherit <flags>", and
    // "protected" first when the descriptor keeps inherited entries out. Empty when it
    // was created without a descriptor (it inherits its parent's).
    std::vector<std::string> Access(const std::string& path) const;

    bool Exists(const std::string& path) const;
    bool IsFolder(const std::string& path) const;
    std::string Content(const std::string& path) const;  // "" when missing
    DWORD Attributes(const std::string& path) const;     // INVALID_FILE_ATTRIBUTES when missing
    std::vector<std::string> List(const std::string& folder) const;  // names, enumeration order

    // Disk full: writes on this drive stop after `bytesLeft` more bytes.
    void SetFreeSpace(char drive, long long bytesLeft);

    // --- Recycle bin ---------------------------------------------------------
    std::vector<std::string> recycled;            // paths moved to the bin, as the shell got them
    void RefuseRecycle(const std::string& path);  // the shell refuses this exact item
    // No recycle bin on removable and network drives, nor room in a full one: the shell
    // deletes for good instead, silently unless asked with FOF_WANTNUKEWARNING; then it
    // asks first (caption "Confirm file deletion" or "Confirm folder deletion", text
    // "Are you sure you want to delete '<item>'?", Yes/No, answered from `boxAnswers`).
    // No keeps the item, sets fAnyOperationsAborted and still answers 0; an item it
    // cannot delete stays, and it answers 0 too (Wine).
    bool recycleBinFull = false;
    // Wine's recycle bin where the user's trash cannot be used: SHQueryRecycleBinA fails
    // for every drive, and the shell deletes for good as above. A full bin (Windows)
    // still answers the question.
    bool recycleBinUnusable = false;
    // The shell of Windows 95 and NT 4.0 without a newer one: no SHQueryRecycleBinA.
    bool noRecycleBinQuery = false;

    // --- Registry ------------------------------------------------------------
    // Keys are written without a leading backslash: "Software\Microsoft\...".
    void AddKey(HKEY root, const std::string& key);
    void SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                  const std::string& data);  // data stored as given (no NUL added)
    void SetString(HKEY root, const std::string& key, const std::string& name,
                   const std::string& value);  // REG_SZ, with its NUL
    void SetDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
    // A key the user may read but not change: opens with KEY_ALL_ACCESS, creates,
    // value writes and deletion of it and below it fail with ERROR_ACCESS_DENIED
    // (on every platform; KEY_READ opens). Subkeys enumerate in Wine's order: names
    // compared lower-cased.
    void ProtectKey(HKEY root, const std::string& key);
    bool KeyExists(HKEY root, const std::string& key) const;
    bool ValueExists(HKEY root, const std::string& key, const std::string& name) const;
    std::string StringValue(HKEY root, const std::string& key, const std::string& name) const;
    DWORD ValueType(HKEY root, const std::string& key, const std::string& name) const;
    std::vector<std::string> SubKeys(HKEY root, const std::string& key) const;
    struct Registry {
        int openHandles = 0;  // opened minus closed registry handles
    };
    Registry registry;

    // --- Processes -----------------------------------------------------------
    // WinExec answers 33 for an existing file that begins with "MZ", 11 (last error 193)
    // for another existing file, 2 (last error 2) for a missing file, 3 for a missing
    // folder, unless `faults.winExecResults` forces another answer.
    struct Programs {
        std::vector<ProcessRecord> started;
        // Called when a process starts (both calls), to play the started program.
        std::function<void(const ProcessRecord&)> onStart;
        // Started programs run on: a wait with a time limit answers WAIT_TIMEOUT (an
        // endless wait still sees them end).
        bool keepRunning = false;
        int openHandles = 0;
    };
    Programs programs;

    // --- Message boxes -------------------------------------------------------
    std::deque<int> boxAnswers;  // answers in order; when empty, the first button (IDOK)
    std::vector<BoxRecord> boxes;
    // Called while a box waits for its answer (after it is recorded), with the box: a
    // test changes the disk there as another user would while the box is open.
    std::function<void(const BoxRecord&)> onBox;

    // --- Last error and message texts ----------------------------------------
    DWORD lastError = 0;
    // The system's texts, CR LF ended; by default Wine's English texts ("File not
    // found.\r\n") for the codes 0 to 299 and the registry and token codes.
    std::map<DWORD, std::string> messageTexts;

    // --- Process environment -------------------------------------------------
    std::string commandLine;
    std::string moduleFileName;
    // The module's name as the file system holds it, when it has characters outside
    // the ANSI code page: GetModuleFileNameW answers it, GetModuleFileNameA always
    // `moduleFileName`, which SetModuleUnicodeName sets to its best-fit form. Empty:
    // GetModuleFileNameW answers `moduleFileName` too.
    std::wstring moduleUnicodeName;
    void SetModuleUnicodeName(const std::wstring& name);
    std::string currentFolder;  // without trailing backslash except at a root
    // Each drive's own current folder, by upper-case letter, as Windows keeps one per
    // drive: "D:" names it, and changing drives keeps the one left. A drive not listed
    // is at its root.
    std::map<char, std::string> driveFolders;
    std::string windowsFolder;  // "C:\Windows"
    std::string systemFolder;   // "C:\Windows\System32"
    std::string tempPath;       // "C:\Windows\Temp\" (GetTempPathA adds a missing backslash)
    std::map<std::string, std::string> environment;
    UINT errorMode = 0;
    std::vector<UINT> errorModeHistory;  // every mode set, in order
    // Mitigation policies the process set (SetProcessMitigationPolicy), by policy number:
    // their flags.
    std::map<int, DWORD> mitigationPolicies;
    bool unhandledFilterContinues = false;  // as under a debugger

    // --- Code page -----------------------------------------------------------
    // A double-byte code page: bytes 0x81-0x9F and 0xE0-0xFC lead a two-byte character.
    bool doubleByteCodePage = false;
    // The conversions between Unicode and the ANSI code page (WideCharToMultiByte,
    // MultiByteToWideChar) know Latin-1 (U+0000 to U+00FF as the bytes of the same
    // value) and, as Windows' best fit does, turn the full-width forms U+FF01 to U+FF5E
    // into their ASCII twins unless asked with WC_NO_BEST_FIT_CHARS; anything else is
    // the default character "?". NT 4.0 refuses WC_NO_BEST_FIT_CHARS (ERROR_INVALID_FLAGS).

    // --- Injected faults -----------------------------------------------------
    // Every call that can fail passes one gate, which counts it. The plan makes the
    // call with number `failAt` (1-based) fail, and with `fromThenOn` every later one
    // too, the way the platform fails it: the call's failure result and a plausible
    // last-error code for it (an in-use file, a refused registry key, a full disk...).
    struct FaultPlan {
        long failAt = 0;  // 0: no call fails
        bool fromThenOn = false;
        std::vector<std::string> calls;  // and every call of these names ("FindFirstFileA")
        // and the calls of a name with these numbers, counted by name (1-based):
        // {"RegSetValueExA", {2}} fails the second value written.
        std::map<std::string, std::vector<long>> numberedCalls;
    };
    // The plan, and the failures and forced answers of single calls.
    struct Faults {
        FaultPlan plan;
        long systemCalls = 0;                     // calls through the gate so far
        std::map<std::string, long> callsByName;  // the same, by the call's name
        std::vector<std::string> failedCalls;     // the calls made to fail, in order

        InjectedFailure getVersionEx;
        InjectedFailure openThreadToken;  // a failure other than the plain "no token"
        InjectedFailure openProcessToken;
        InjectedFailure allocateSid;
        InjectedFailure tokenSizeQuery;       // the first GetTokenInformation call
        bool tokenSizeQuerySucceeds = false;  // the first call answers TRUE (a fault)
        InjectedFailure tokenGroupQuery;      // the second GetTokenInformation call
        InjectedFailure getTempPath{false, ERROR_PATH_NOT_FOUND};  // GetTempPathA
        // SetErrorMode has no failure result: it sets the mode and leaves `error` as the
        // last-error code.
        InjectedFailure setErrorMode;
        // Every box fails: MessageBoxA returns 0 with `error` as the last error; the box
        // is kept in `boxes` with answer 0 but, unseen, gets no transcript line.
        InjectedFailure messageBox;
        bool recycleBinBroken = false;  // the shell refuses every request
        // Forced LZOpenFileA answers by file name (case-insensitive), such as the
        // LZERROR_GLOBALLOC Windows gives when its memory runs out.
        std::map<std::string, INT> lzOpenResults;
        // Forced WinExec results, by the program path of the command line (case-insensitive).
        std::map<std::string, UINT> winExecResults;
    };
    Faults faults;

    // --- Open handles --------------------------------------------------------
    // What is open now: "file <path>", "search", "key <root>\<key name>", "process",
    // "token", "sid", "lz", "library <path>" (one line per handle). Empty after a clean run.
    std::vector<std::string> OpenHandles() const;

    // --- Transcript ----------------------------------------------------------
    // One line per thing a user or the machine would notice, in order:
    //   box: <caption> | <text>
    //   exec: <command line> | <current folder>           (WinExec)
    //   create: <command line> | <current folder>         (CreateProcess)
    //   recycle: <path>
    //   delete: <path>            rmdir: <path>           move: <from> -> <to>
    //   write: <path>             (a file created or emptied for writing)
    //   regset: HKLM\<key>\<name> = <value text>
    //             (strings up to their NUL, REG_DWORD in decimal, other data as
    //             "hex:" and comma-separated byte pairs such as "hex:00,ff")
    //   regdel: HKLM\<key>        (HKCU likewise; a value: HKLM\<key>\<name>)
    std::vector<std::string> transcript;
    std::string Transcript() const;                                   // the lines joined with "\n"
    std::vector<std::string> Lines(const std::string& prefix) const;  // lines starting so

    struct Impl;
    std::unique_ptr<Impl> impl;
};

}  // namespace winsim

#endif
