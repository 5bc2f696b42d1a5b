// The uninstaller from its confirmation to its final message: unregistering the
// main program, shortcuts, fonts, folders, the uninstall keys and the restart
// commands that remove the uninstaller and its folder at the next start of Windows.
#include "KestDel.h"

#include <windows.h>

#include <string>

#include "KestDelFonts.h"
#include "KestDelProtected.h"
#include "KestDelRemove.h"
#include "KestDelShortcuts.h"
#include "ProductNames.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysFiles.h"
#include "WinSysRegistry.h"

namespace {

const char* const ConfirmationText =
    "You do not have to uninstall the Tessaly program to install a new version. "
    "Uninstalling the program moves all the program files/folders to your recycle bin. "
    "REBOOT COMPUTER BEFORE UNISTALLING. Do you wish to uninstall the program?";
const char* const PartialText =
    "Program Partially Deleted. Reboot computer and try to remove program again.";
const char* const RebootText = "Reboot computer to complete program uninstall.";
const char* const CompleteText = "Program uninstall complete.";
const char* const OwnPathText =
    "The uninstaller cannot name its own file, so it cannot tell which folder is the "
    "program's. Nothing was removed.";

// Without a shortcut name both names take the product's name.
void ApplyShortcutDefaults(std::string& menuFolderName, std::string& shortcutName) {
    if (shortcutName.empty()) {
        menuFolderName = ProductName;
        shortcutName = ProductName;
    }
}

// Only Cancel stops; a box that cannot be shown has been reported and goes on.
bool ConfirmUninstall() {
    return CheckedMessageBox(nullptr, ConfirmationText, UninstallCaption, MB_OKCANCEL) != IDCANCEL;
}

// Lets the main program unregister itself before its files go.
void UnregisterProgram() {
    const std::string program = State.ProgramFolder + "kest.exe";
    if (FileIsPresent(program)) {
        WinExecuteWait(CommandPath(program) + " /unregserver");
    }
}

// The font folder inside a folder, whether or not the folder was written with its
// trailing backslash. The fonts of a folder the uninstaller refuses to remove are not
// the product's.
void RemoveFontsOf(const std::string& folder) {
    if (!IsProtectedFolder(folder)) {
        RemoveFonts(AddBackslash(AddBackslash(folder) + FontFolderName));
    }
}

void RemoveAdministratorParts(const std::string& menuFolderName, const std::string& shortcutName,
                              const std::string& extraFolder) {
    UnregisterProgram();
    RemoveShortcuts(menuFolderName, shortcutName);
    RemoveFontsOf(State.ProgramFolder);
    if (!State.DataFolder.empty()) {
        RemoveFontsOf(State.DataFolder);
    }
    RemoveDirectoryTree(State.ProgramFolder);
    if (!extraFolder.empty()) {
        RemoveDirectoryTree(extraFolder);
    }
}

// The running uninstaller keeps its folder alive: both go at the next start. Both
// commands or neither: the file's command alone would delete the uninstaller that the
// kept uninstall entry still names. True when both were written.
bool ScheduleRestartRemoval() {
    const std::string fileValue = std::string(UninstallerFileName) + "1";
    const std::string folderValue = std::string(UninstallerFileName) + "2";
    const bool fileScheduled = AddRunOnceCommand(
        fileValue, "Del " + CommandPath(ShortPath(State.ProgramFolder + UninstallerFileName)));
    const bool folderScheduled =
        fileScheduled &&
        AddRunOnceCommand(folderValue, "Rd  " + CommandPath(ShortPath(State.ProgramFolder)));
    if (fileScheduled && !folderScheduled) {
        DeleteRegistryValue(fileValue, RunOnceKeyPath, HKEY_LOCAL_MACHINE);
    }
    return folderScheduled;
}

// The outcome text once nothing failed. What the running uninstaller keeps is
// scheduled; a program folder that stays with nothing scheduled (a user who is no
// administrator cannot remove it) leaves the product installed, and its keys stay.
std::string CompleteUninstall() {
    const bool programFolderStays = FolderExists(State.ProgramFolder);
    if (programFolderStays && !(State.IsAdmin && ScheduleRestartRemoval())) {
        return PartialText;
    }
    DeleteRegistryKey(UninstallKeyPath, false);
    DeleteRegistryKey(UninstallKeyPath, true);
    return programFolderStays ? RebootText : CompleteText;
}

// The own path names the program folder only when it is the full path of an existing
// file: a name cut off by the system would name a folder above it.
bool IsOwnFile(const std::string& executablePath) {
    return !FolderPart(executablePath).empty() && FileIsPresent(executablePath);
}

}  // namespace

void InitializeKestDel() {}

void FinalizeKestDel() {
    State.ProgramFolder.clear();
    State.DataFolder.clear();
}

bool UninstallProgram(const std::string& executablePath, std::string menuFolderName,
                      std::string shortcutName, const std::string& dataFolder,
                      const std::string& extraFolder) {
    if (!IsOwnFile(executablePath)) {
        ShowMessageBox(OwnPathText, UninstallCaption);
        return false;
    }
    ApplyShortcutDefaults(menuFolderName, shortcutName);
    State.ProgramFolder = FolderPart(executablePath);
    State.DataFolder = dataFolder;
    if (!ConfirmUninstall()) {
        return true;
    }
    State.FailureCount = 0;
    const ProtectionScope protection;
    if (State.IsAdmin) {
        RemoveAdministratorParts(menuFolderName, shortcutName, extraFolder);
    }
    if (!State.DataFolder.empty()) {
        RemoveDirectoryTree(State.DataFolder);
    }
    const std::string outcome = State.FailureCount != 0 ? PartialText : CompleteUninstall();
    ShowMessageBox(outcome, UninstallCaption);
    return outcome != PartialText;
}
