// Removal of the product's desktop shortcut and of its folder in the start menu.
#include "KestDelShortcuts.h"

#include <windows.h>

#include <string>

#include "KestDelRemove.h"
#include "WinSys.h"
#include "WinSysShell.h"

namespace {

// A shortcut name is a file name on the desktop: the judge refuses one that would reach
// other files.
bool RemoveDesktopShortcut(const std::string& shortcutName) {
    RemovalFacts facts;
    facts.subject = RemovalSubject::Shortcut;
    facts.path = DesktopFolder() + shortcutName + ".Lnk";
    facts.name = shortcutName;
    return RemoveNamedFile(facts);
}

}  // namespace

bool RemoveShortcuts(const std::string& menuFolderName, const std::string& shortcutName) {
    const bool shortcutRemoved = RemoveDesktopShortcut(shortcutName);
    // Without a menu folder name there is no start-menu folder of the product; the
    // programs folder itself is never removed.
    const bool menuRemoved =
        menuFolderName.empty() || RemoveDirectoryTree(ProgramsFolder() + menuFolderName);
    if (!shortcutRemoved || !menuRemoved) {
        ShowMessageBox("Unable to remove program shortcuts. Remove manually.", "ShortCuts");
    }
    return shortcutRemoved && menuRemoved;
}
