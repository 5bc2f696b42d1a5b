// The shell folders that hold the product's desktop shortcut and start-menu folder.
#include "WinSysShell.h"

#include <windows.h>

#include <string>

#include "ProductNames.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysRegistry.h"

std::string DesktopFolder() {
    const std::string folder =
        AddBackslash(ReadRegistryString("Common Desktop", ShellFoldersKeyPath, HKEY_LOCAL_MACHINE));
    if (!folder.empty()) {
        return folder;
    }
    return GetWindowsFolder() + "desktop\\";
}

std::string ProgramsFolder() {
    std::string folder;
    if (DetectWindowsVersion()) {
        // The common start-up folder lies inside the common programs folder.
        const std::string startup =
            ReadRegistryString("Common Startup", ShellFoldersKeyPath, HKEY_LOCAL_MACHINE);
        folder = FolderPart(RemoveBackslash(AddBackslash(startup)));
    } else {
        folder =
            AddBackslash(ReadRegistryString("Programs", ShellFoldersKeyPath, HKEY_CURRENT_USER));
    }
    if (!folder.empty()) {
        return folder;
    }
    return GetWindowsFolder() + "Start Menu\\Programs\\";
}
