// The setup launcher: finds the installation files, decides between a setup and
// handing data modules to the installed program, unpacks and starts Kest.Exe.
#ifndef KEST_SETUP_SETUPA_H
#define KEST_SETUP_SETUPA_H

#include <string>

void InitializeSetupA();
void FinalizeSetupA();

// The whole launcher mode.
void CheckStartup(const std::string& ownPath, const std::string& argument);
std::string ChooseProgramFile(const std::string& folder, const std::string& xpName,
                              const std::string& plainName);
bool InstalledIsNewer(const std::string& sourceProgram, const std::string& argument);
int FileAge(const std::string& path);  // packed DOS date and time; -1 when none
// Raises InOutError, naming the folder and the system's message, when it cannot.
void ChangeCurrentFolder(const std::string& folder);

// Module auto-install decision: the decision, then what it leads to.
enum class ModuleAction {
    GoAhead,             // the source folder holds a whole setup
    ReportFilesMissing,  // no product installed
    ReportTooOld,        // the installed product predates module lists
    ReportNotInstalled,  // its program is missing
    AutoInstall,         // hand the modules to the installed program
};
ModuleAction DecideModuleInstall(const std::string& displayName, bool filesPresent,
                                 bool programPresent);
bool CheckModuleInstall(const std::string& sourceFolder);
// Digits beyond the 32-bit range count as the highest number, a recent product.
int VersionNumber(const std::string& displayName);

// A new folder under the temporary folder for the unpacked program, with a trailing
// backslash; on the NT family, for an administrator, one that only SYSTEM and the
// Administrators may write. Empty after a box when none can be made.
std::string CreateUnpackFolder(const std::string& tempFolder);

// Compressed file copy through lz32.
bool LzCopyFile(const std::string& source, const std::string& destination);

// Installation-file check and start-up message.
bool InstallFilesPresent(const std::string& folder);
void ShowStartupError(const std::string& message);

#endif
