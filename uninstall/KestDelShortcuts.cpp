// Removal of the product's desktop shortcut and of its folder in the start menu.
#include <windows.h>

#include <string>

#include "KestDel.h"
#include "WinSys.h"

namespace {

// A shortcut name is a file name on the desktop: separators, a colon or wildcards
// (the directory search also takes '<', '>' and '"' for them) would reach other files.
// Read by character: the trail byte of a double-byte character may be 0x5C or 0x7C.
bool IsPlainName(const std::string& name) {
    const char* end = name.c_str() + name.size();
    for (const char* p = name.c_str(); p < end;) {
        const char* next = CharNextA(p);
        if (next <= p || next > end) {
            next = p + 1;
        }
        if (next == p + 1 && std::string("\\/:*?\"<>|").find(*p) != std::string::npos) {
            return false;
        }
        p = next;
    }
    return true;
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
