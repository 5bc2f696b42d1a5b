// The uninstaller from its confirmation to its final message: unregistering the
// main program, shortcuts, fonts, folders, the uninstall keys and the restart
// commands that remove the uninstaller and its folder at the next start of Windows.
#include "KestDel.h"

#include <windows.h>

#include <string>

#include "Tools.h"
#include "WinSys.h"

namespace {

const char* const UninstallCaption = "Uninstall";
const char* const DefaultName = "Tessaly";
const char* const ConfirmationText =
    "You do not have to uninstall the Tessaly program to install a new version. "
    "Uninstalling the program moves all the program files/folders to your recycle bin. "
    "REBOOT COMPUTER BEFORE UNISTALLING. Do you wish to uninstall the program?";
const char* const PartialText =
    "Program Partially Deleted. Reboot computer and try to remove program again.";
const char* const RebootText = "Reboot computer to complete program uninstall.";
const char* const CompleteText = "Program uninstall complete.";

// Without a shortcut name both names take the product's name.
void ApplyShortcutDefaults(std::string& menuFolderName, std::string& shortcutName) {
    if (shortcutName.empty()) {
        menuFolderName = DefaultName;
        shortcutName = DefaultName;
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
        RemoveFonts(AddBackslash(AddBackslash(folder) + "Fonts"));
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

// The running uninstaller keeps its folder alive: both go at the next start.
void ScheduleRestartRemoval() {
    AddRunOnceCommand("KestDel.Exe1",
                      "Del " + CommandPath(ShortPath(State.ProgramFolder + "KestDel.Exe")));
    AddRunOnceCommand("KestDel.Exe2", "Rd  " + CommandPath(ShortPath(State.ProgramFolder)));
}

// The outcome text once everything was removed: the uninstall keys go, and what the
// running uninstaller keeps is scheduled.
std::string CompleteUninstall() {
    DeleteRegistryKey(UninstallKeyPath, false);
    DeleteRegistryKey(UninstallKeyPath, true);
    if (!FolderExists(State.ProgramFolder)) {
        return CompleteText;
    }
    if (State.IsAdmin) {
        ScheduleRestartRemoval();
    }
    return RebootText;
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
    ApplyShortcutDefaults(menuFolderName, shortcutName);
    State.ProgramFolder = FolderPart(executablePath);
    State.DataFolder = dataFolder;
    if (!ConfirmUninstall()) {
        return true;
    }
    State.FailureCount = 0;
    if (State.IsAdmin) {
        RemoveAdministratorParts(menuFolderName, shortcutName, extraFolder);
    }
    if (!State.DataFolder.empty()) {
        RemoveDirectoryTree(State.DataFolder);
    }
    std::string outcome;
    bool result = true;
    if (State.FailureCount != 0) {
        outcome = PartialText;
        result = false;
    } else {
        outcome = CompleteUninstall();
    }
    ShowMessageBox(outcome, UninstallCaption);
    return result;
}
