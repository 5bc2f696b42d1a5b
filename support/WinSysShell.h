// The shell folders that hold the product's desktop shortcut and start-menu folder.
#ifndef KEST_SUPPORT_WINSYSSHELL_H
#define KEST_SUPPORT_WINSYSSHELL_H

#include <string>

// Each folder with a trailing backslash; where the registry names none, the folder of
// that name in the Windows folder. A damaged registry value raises RegistryError.
std::string DesktopFolder();
std::string ProgramsFolder();

#endif
