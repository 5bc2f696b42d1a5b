// Removal of the product's desktop shortcut and of its folder in the start menu.
#ifndef KEST_UNINSTALL_KESTDELSHORTCUTS_H
#define KEST_UNINSTALL_KESTDELSHORTCUTS_H

#include <string>

bool RemoveShortcuts(const std::string& menuFolderName, const std::string& shortcutName);

#endif
