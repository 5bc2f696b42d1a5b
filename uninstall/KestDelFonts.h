// Removal of the product's fonts and of their list, Fonts.Reg.
#ifndef KEST_UNINSTALL_KESTDELFONTS_H
#define KEST_UNINSTALL_KESTDELFONTS_H

#include <string>

// Removes the fonts a font folder lists, their keys, the list and the folder; the
// lines of fonts that stay are written back. May raise the list's file error.
bool RemoveFonts(const std::string& fontFolder);

#endif
