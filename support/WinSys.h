// The support library's system module: Windows version and administrator test,
// checked system calls and message boxes, registry access, paths and files, and
// the shell folders.
#ifndef KEST_SUPPORT_WINSYS_H
#define KEST_SUPPORT_WINSYS_H

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Errors.h"
#include "WinSysHandles.h"

typedef std::vector<std::string> StringList;

// ---------------------------------------------------------------------------
// Process-wide state record. One instance; every field zero, false or empty at load.
struct ProcessState {
    bool IsNT = false;
    bool IsWinXP = false;
    bool IsAdmin = false;
    DWORD SavedErrorMode = 0;
    std::string LogFolder;                 // never set in this system: the log stays inert
    std::unique_ptr<StringList> LogLines;  // created at start-up, released at shut-down
    int FailureCount = 0;
    std::string ProgramFolder;
    std::string DataFolder;
};
extern ProcessState State;

// Module start-up and shut-down of the system module. Start-up may raise SystemError.
void InitializeWinSys();
void FinalizeWinSys();

// ---------------------------------------------------------------------------
// Windows version and administrator detection.
bool CheckedGetVersionEx(OSVERSIONINFOA& info);
bool DetectWindowsVersion();  // true on the NT family; sets State.IsWinXP
bool IsAdministrator();       // may raise SystemError "Winsys: Administrator-1/2/3"

// ---------------------------------------------------------------------------
// Checked system calls, message boxes and log.
void ClearLastError();
void ReportLastError(const std::string& callName);
void ShowWindowsError(const std::string& callName, const std::string& message);
BOOL CheckedCreateProcess(LPCSTR applicationName, LPSTR commandLine,
                          LPSECURITY_ATTRIBUTES processAttributes,
                          LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                          DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                          LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation);
int CheckedMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style);
void CheckedSetErrorMode(bool on);
DWORD CheckedWaitForSingleObject(HANDLE handle, DWORD milliseconds);
UINT CheckedWinExec(const std::string& commandLine, UINT showMode);
std::string GetWindowsFolder();
std::string GetSystemFolder();  // the system folder with a trailing backslash; empty on failure
std::string GetTempFolder();
bool WinExecuteWait(const std::string& commandLine);
void ShowMessageBox(const std::string& text, const std::string& caption);
void WriteLog(const std::string& text);
// The system's text for an error code without its line end; empty when it has none.
std::string SystemMessage(DWORD code);

// ---------------------------------------------------------------------------
// System libraries.

// A function of a system library, looked up at run time because some Windows the
// system runs on lacks it; null where this Windows has none (or the library is null).
template <typename Function>
Function SystemFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}
// The full path of a library in the system folder; empty (after the system's report)
// when the system folder cannot be had. Libraries are loaded by it: a bare name is
// searched for in the program's folder first, where anyone may have put a file so named.
std::string SystemLibraryPath(const std::string& fileName);

// ---------------------------------------------------------------------------
// Registry access and installed-program lookup.
extern const char* const UninstallKeyPath;  // "\Software\...\Uninstall\Tessaly"
extern const char* const RunOnceKeyPath;
extern const char* const ProductKeyPath;  // "\Software\...\CurrentVersion\Tessaly"

// Short-lived accessor: one root, at most one open key, KEY_ALL_ACCESS for every
// open, closed without flush. Key paths are taken from the root.
class RegistryAccessor {
public:
    explicit RegistryAccessor(HKEY root = HKEY_CURRENT_USER);
    RegistryAccessor(const RegistryAccessor&) = delete;
    RegistryAccessor& operator=(const RegistryAccessor&) = delete;

    bool OpenKey(const std::string& keyPath, bool mayCreate);
    // Opens for reading only, so that a user who may not change the key reads it.
    bool OpenKeyToRead(const std::string& keyPath);
    StringList ValueNames();                               // the names of the open key's values
    std::string ReadString(const std::string& valueName);  // may raise RegistryError
    void WriteString(const std::string& valueName, const std::string& text);
    void CloseKey();

private:
    HKEY root_;
    RegistryKey current_;
};

// Deletes the key (a path from the root) with all its sub-keys; a key that is missing
// or cannot be deleted is passed over in silence.
void DeleteRegistryKey(const std::string& keyPath, bool machineWide);
// Deletes one value of a key; a value or key that is missing or cannot be changed is
// passed over in silence.
void DeleteRegistryValue(const std::string& valueName, const std::string& keyPath, HKEY root);
std::string ReadRegistryString(const std::string& valueName, const std::string& keyPath, HKEY root);
// A string value read with reading rights only; empty when the key or value is missing
// or the value is no string. Nothing is logged or raised.
std::string ReadRegistryText(const std::string& valueName, const std::string& keyPath, HKEY root);
// Every string value of a key, read so.
StringList ReadRegistryTexts(const std::string& keyPath, HKEY root);
// The names of a key's sub-keys, read so; empty when the key cannot be read.
StringList ReadRegistrySubKeys(const std::string& keyPath, HKEY root);
bool RegistryWrite(const std::string& valueName, const std::string& valueText,
                   const std::string& keyPath, HKEY root);
std::string ReadUninstallValue(const std::string& valueName);
bool AddRunOnceCommand(const std::string& valueName, const std::string& command);
std::string FontsKeyPath();
std::string InstalledProgramFolder();
std::string InstalledDataFolder();

// ---------------------------------------------------------------------------
// Paths, files and list files.
int CompareNoCase(const std::string& a, const std::string& b);
std::string FolderPart(const std::string& path);    // up to the last backslash or colon
std::string FileNamePart(const std::string& path);  // the rest
std::string SafeFileName(const std::string& path);
std::string AddBackslash(const std::string& text);
std::string RemoveBackslash(const std::string& text);
std::string ShortPath(const std::string& path);
bool FileIsPresent(const std::string& name);
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

// ---------------------------------------------------------------------------
// Shell folders.
std::string DesktopFolder();
std::string ProgramsFolder();

#endif
