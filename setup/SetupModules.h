// The module auto-install decision: a full installation source goes ahead; a folder
// of data modules only is handed to the installed program through its module list.
#ifndef KEST_SETUP_SETUPMODULES_H
#define KEST_SETUP_SETUPMODULES_H

#include <string>

// The decision, then what it leads to.
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

#endif
