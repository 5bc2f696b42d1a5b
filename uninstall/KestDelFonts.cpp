// Removal of the product's fonts. A font folder lists its fonts in Fonts.Reg, one
// line per font: the font's registry name and the path of its file, each quoted.
#include <windows.h>

#include <cstddef>
#include <string>

#include "KestDel.h"
#include "Tools.h"
#include "WinSys.h"

namespace {

const char* const FontListName = "Fonts.Reg";

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

// Removes the fonts a list names, from the last line to the first so that a line can
// be dropped while the lines before it keep their places. The lines of fonts whose
// files stay remain in the list, in their order. True when every file went.
bool RemoveListedFonts(StringList& lines, const std::string& fontFolder) {
    bool removed = true;
    for (size_t index = lines.size(); index-- > 0;) {
        const std::string name = ExtractToken(lines[index], 1);
        const std::string path = ExtractToken(lines[index], 2);
        if (!IsInFontFolder(path, fontFolder)) {
            // Not the product's: the line, its key and its file stay, as for a font that
            // could not be removed.
            ReportFileFailure(path);
            ShowMessageBox("Font not deleted: " + name, "Font Delete");
            removed = false;
            continue;
        }
        if (IsFontKeyName(name)) {
            DeleteRegistryKey(FontsKeyPath() + "\\" + name, true);
        }
        if (RemoveFile(path)) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(index));
        } else {
            ShowMessageBox("Font not deleted: " + name, "Font Delete");
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
    const std::string listPath = fontFolder + FontListName;
    RemoveFile(listPath);
    StringList lines;
    if (!LoadListFile(lines, listPath)) {
        return RemoveEmptyFolder(fontFolder);
    }
    bool removed = RemoveListedFonts(lines, fontFolder);
    if (removed) {
        const bool listRemoved = RemoveFile(listPath);
        const bool folderRemoved = RemoveEmptyFolder(fontFolder);
        removed = listRemoved && folderRemoved;
    }
    if (!removed) {
        ShowMessageBox("Some fonts not deleted.", "Font Delete");
        SaveRemainingFonts(lines, listPath);
    }
    return removed;
}
