// Removal of the product's desktop shortcut and of its folder in the start menu.
#include <string>

#include "KestDel.h"
#include "WinSys.h"

bool RemoveShortcuts(const std::string& menuFolderName, const std::string& shortcutName) {
    const bool shortcutRemoved = RemoveFile(DesktopFolder() + shortcutName + ".Lnk");
    // An empty menu folder name names the programs folder itself, which the folder
    // removal refuses and reports.
    const bool menuRemoved = RemoveDirectoryTree(ProgramsFolder() + menuFolderName);
    if (!shortcutRemoved || !menuRemoved) {
        ShowMessageBox("Unable to remove program shortcuts. Remove manually.", "ShortCuts");
    }
    return shortcutRemoved && menuRemoved;
}
