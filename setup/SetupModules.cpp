// The module auto-install decision: a full installation source goes ahead; a folder
// of data modules only is handed to the installed program through AutoLoad.Lst.
#include "SetupModules.h"

#include <windows.h>

#include <string>

#include "ProductNames.h"
#include "SetupA.h"
#include "SetupFiles.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysFiles.h"
#include "WinSysHandles.h"
#include "WinSysRegistry.h"

namespace {

const int HighestVersion = 2147483647;

// Versions 7.0.0.1 to 8.9.9.9 predate AutoLoad.Lst; older numbers come from
// display names without a proper version and count as recent.
bool IsTooOldForModules(int version) { return version >= 7000001 && version <= 8999999; }

std::string DigitsOf(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9') digits += c;
    }
    return digits;
}

// Leading zeros carry no value; anything beyond the 32-bit range is a recent product.
int DigitsValue(const std::string& digits) {
    long long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > HighestVersion) return HighestVersion;
    }
    return static_cast<int>(value);
}

bool StartsWithNoCase(const std::string& name, const std::string& prefix) {
    return CompareNoCase(name.substr(0, prefix.size()), prefix) == 0;
}

bool IsModuleName(const std::string& name) {
    if (name.empty() || name[0] == '.') return false;
    if (name.find("801") == std::string::npos && name.find("101") == std::string::npos) {
        return false;
    }
    // The setup's own files and the modules every installation already has.
    return CompareNoCase(name, "install.801") != 0 && !StartsWithNoCase(name, "common") &&
           CompareNoCase(name, "betaeng.801") != 0 && !StartsWithNoCase(name, "lang");
}

// Folders are listed too when their names pass: the search takes every kind of entry.
StringList FindModules(const std::string& sourceFolder) {
    StringList modules;
    WIN32_FIND_DATAA entry;
    DirectorySearch search(sourceFolder + "*.*", entry);
    if (!search.Found()) return modules;
    do {
        const std::string name = entry.cFileName;
        if (IsModuleName(name)) modules.push_back(sourceFolder + name);
    } while (search.Next(entry));
    return modules;
}

std::string ModuleListFolder(const std::string& programFolder) {
    const std::string dataFolder = InstalledDataFolder();
    if (dataFolder.empty() || !IsWritableFolder(dataFolder)) return programFolder;
    return dataFolder;
}

void WriteModuleList(StringList modules, const std::string& listName) {
    // An old list that may not be replaced stays; saving below says so when it must.
    IgnoreResult(RetireFile(listName));
    if (modules.empty()) return;
    modules.push_back("Setup 2.0");
    try {
        SaveListFile(modules, listName);
    } catch (const std::exception&) {
        ShowStartupError("Unable to Auto Install modules");
    }
}

// The installed program reads AutoLoad.Lst at its start and loads the modules.
void AutoInstallModules(const std::string& sourceFolder, const std::string& programFolder) {
    const std::string listFolder = ModuleListFolder(programFolder);
    WriteModuleList(FindModules(sourceFolder), AddBackslash(listFolder) + ModuleListName);
    ChangeCurrentFolder(programFolder);
    CheckedWinExec(CommandPath(programFolder + ProgramFileName), SW_SHOWNORMAL);
}

}  // namespace

int VersionNumber(const std::string& displayName) {
    std::string digits = DigitsOf(displayName);
    while (digits.size() < 7) digits += "00";
    return DigitsValue(digits);
}

ModuleAction DecideModuleInstall(const std::string& displayName, bool filesPresent,
                                 bool programPresent) {
    if (filesPresent) return ModuleAction::GoAhead;
    if (displayName.empty()) return ModuleAction::ReportFilesMissing;
    if (IsTooOldForModules(VersionNumber(displayName))) return ModuleAction::ReportTooOld;
    if (!programPresent) return ModuleAction::ReportNotInstalled;
    return ModuleAction::AutoInstall;
}

bool CheckModuleInstall(const std::string& sourceFolder) {
    std::string displayName;
    std::string programFolder;
    try {
        displayName = ReadUninstallValue("DisplayName");
        programFolder = InstalledProgramFolder();
    } catch (const std::exception&) {
        ShowMessageBox("Error accessing KEST Windows' Registry", "Setup Error");
    }
    const bool filesPresent = InstallFilesPresent(sourceFolder);
    // An entry without a program folder names no installation: a relative name would
    // find a Kest.Exe in whatever folder is current.
    const bool programPresent =
        !programFolder.empty() && FileIsPresent(programFolder + ProgramFileName);
    switch (DecideModuleInstall(displayName, filesPresent, programPresent)) {
        case ModuleAction::GoAhead:
            return true;
        case ModuleAction::ReportFilesMissing:
            ShowStartupError("Program install files missing (2) <" + displayName + "> <" +
                             programFolder);
            return false;
        case ModuleAction::ReportTooOld:
            ShowStartupError("Current Tessaly Program too old to install modules");
            return false;
        case ModuleAction::ReportNotInstalled:
            ShowStartupError("Program not properly installed");
            return false;
        case ModuleAction::AutoInstall:
            AutoInstallModules(sourceFolder, programFolder);
            return false;
    }
    return false;
}
