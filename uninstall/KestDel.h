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

#endif
