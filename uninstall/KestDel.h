// The uninstaller: confirmation, unregistering, shortcuts, fonts, folders to the
// recycle bin, registry clean-up and restart commands.
#ifndef KEST_UNINSTALL_KESTDEL_H
#define KEST_UNINSTALL_KESTDEL_H

#include <string>

void InitializeKestDel();
void FinalizeKestDel();  // empties ProgramFolder and DataFolder

bool UninstallProgram(const std::string& executablePath, std::string menuFolderName,
                      std::string shortcutName, const std::string& dataFolder,
                      const std::string& extraFolder);

// Removal to the recycle bin.
bool FolderExists(const std::string& path);
bool RemoveFile(const std::string& path);
bool RemoveEmptyFolder(const std::string& path);
bool RemoveDirectoryTree(const std::string& path);
// True for a folder the uninstaller must never remove (empty, relative, a root,
// a system or shell folder, or a folder holding one of those).
bool IsProtectedFolder(const std::string& path);

// Font removal and Fonts.Reg.
bool RemoveFonts(const std::string& fontFolder);

// Shortcut removal.
bool RemoveShortcuts(const std::string& menuFolderName, const std::string& shortcutName);

#endif
