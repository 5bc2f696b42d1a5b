// The setup launcher: finds the installation files, decides between a setup and
// handing data modules to the installed program, unpacks and starts Kest.Exe.
#ifndef KEST_SETUP_SETUPA_H
#define KEST_SETUP_SETUPA_H

#include <string>

void InitializeSetupA();
void FinalizeSetupA();

// The whole launcher mode.
void CheckStartup(const std::string& ownPath, const std::string& argument);
std::string ChooseProgramFile(const std::string& folder, const std::string& xpName,
                              const std::string& plainName);
bool InstalledIsNewer(const std::string& sourceProgram, const std::string& argument);
int FileAge(const std::string& path);  // packed DOS date and time; -1 when none
// Raises InOutError, naming the folder and the system's message, when it cannot.
void ChangeCurrentFolder(const std::string& folder);

#endif
