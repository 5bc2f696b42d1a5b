// Removal of the product's fonts. A font folder lists its fonts in Fonts.Reg, one
// line per font: the font's registry name and the path of its file, each quoted.
#include "KestDelFonts.h"

#include <windows.h>

#include <cstddef>
#include <string>

#include "KestDelRemove.h"
#include "ProductNames.h"
#include "Tools.h"
#include "WinSys.h"
#include "WinSysFiles.h"
#include "WinSysRegistry.h"

namespace {

// A registry name that names one key directly below the fonts key. An empty name or
// one with a backslash would reach the fonts key itself or keys elsewhere below it.
bool IsFontKeyName(const std::string& name) {
    return !name.empty() && name.find('\\') == std::string::npos;
}

// Whether a listed font file is one of this font folder's. Fonts.Reg lies in a folder
// that every user may write, so a line could name any file on the machine: only a full
// path whose folder is the font folder itself is acted on.
bool IsInFontFolder(const std::string& path, const std::string& fontFolder) {
    const bool isFullPath = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    return isFullPath && !FileNamePart(path).empty() && IsSameFolder(FolderPart(path), fontFolder);
}

void ShowFontBox(const std::string& text) {
    NoteRemovalWait();
    ShowMessageBox(text, "Font Delete");
}

// The font folder as it was checked, checked again after every wait before anything in
// it is touched by name.
struct FontFolder {
    std::string path;
    FolderIdentity identity;
    unsigned long checkedAt = 0;
    bool Unchanged() { return IsFolderUnchanged(path, identity, &checkedAt); }
};

// Removes the fonts a list names, from the last line to the first so that a line can
// be dropped while the lines before it keep their places. The lines of fonts whose
// files stay remain in the list, in their order. True when every file went; `changed`
// set when the folder changed on the way, and nothing more was done in it.
bool RemoveListedFonts(StringList& lines, FontFolder& folder, bool& changed) {
    bool removed = true;
    for (size_t index = lines.size(); index-- > 0;) {
        const std::string name = ExtractToken(lines[index], 1);
        RemovalFacts facts;
        facts.subject = RemovalSubject::FontFile;
        facts.path = ExtractToken(lines[index], 2);
        facts.isInFontFolder = IsInFontFolder(facts.path, folder.path);
        if (!folder.Unchanged()) {
            changed = true;
            return false;
        }
        // Not the product's: the line, its key and its file stay, as for a font that
        // could not be removed.
        if (facts.isInFontFolder && IsFontKeyName(name)) {
            DeleteRegistryKey(FontsKeyPath() + "\\" + name, true);
        }
        if (RemoveNamedFile(facts)) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
        } else {
            ShowFontBox("Font not deleted: " + name);
            removed = false;
        }
    }
    return removed;
}

// Writes the lines of the fonts that stayed back to the font list. A list that
// cannot be written ends the run with its file error: the uninstall keys stay, and a
// later run finds the list (put in place whole or not at all) and tries again.
void SaveRemainingFonts(const StringList& lines, const std::string& listPath) {
    SaveListFile(lines, listPath);
}

}  // namespace

bool RemoveFonts(const std::string& fontFolder) {
    // The font folder passes the check of every folder removed (protected, no link)
    // before anything in it is read or touched.
    FontFolder folder;
    folder.path = fontFolder;
    const FolderCheck check = CheckNamedFolder(fontFolder, &folder.identity);
    if (check != FolderCheck::Remove) return check == FolderCheck::NothingToDo;
    folder.checkedAt = RemovalWaitCount();
    const std::string listPath = fontFolder + FontListName;
    RemoveFile(listPath);
    StringList lines;
    if (!folder.Unchanged()) {
        return false;
    }
    if (!LoadListFile(lines, listPath)) {
        return RemoveEmptyFolder(fontFolder);
    }
    bool changed = false;
    bool removed = RemoveListedFonts(lines, folder, changed);
    if (changed) {
        return false;
    }
    if (removed) {
        if (!folder.Unchanged()) {
            return false;
        }
        const bool listRemoved = RemoveFile(listPath);
        if (!folder.Unchanged()) {
            return false;
        }
        const bool folderRemoved = RemoveEmptyFolder(fontFolder);
        removed = listRemoved && folderRemoved;
    }
    if (!removed) {
        ShowFontBox("Some fonts not deleted.");
        // The folder may be gone by now; a folder that changed gets no list written.
        if (FolderExists(fontFolder) && !folder.Unchanged()) {
            return false;
        }
        SaveRemainingFonts(lines, listPath);
    }
    return removed;
}
