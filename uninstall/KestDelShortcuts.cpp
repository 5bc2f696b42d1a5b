// Removal of the product's desktop shortcut and of its folder in the start menu.
#include <string>

#include "KestDel.h"
#include "WinSys.h"

namespace {

// A shortcut name is a file name on the desktop: separators, a colon or wildcards
// (the directory search also takes '<', '>' and '"' for them) would reach other files.
bool IsPlainName(const std::string& name) {
    return name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

bool RemoveDesktopShortcut(const std::string& shortcutName) {
    const std::string path = DesktopFolder() + shortcutName + ".Lnk";
    if (!IsPlainName(shortcutName)) {
        ReportFileFailure(path);
        return false;
    }
    return RemoveFile(path);
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
