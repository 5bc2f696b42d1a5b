// The installation-file check and the launcher's one form of error message.
#ifndef KEST_SETUP_SETUPFILES_H
#define KEST_SETUP_SETUPFILES_H

#include <string>

bool InstallFilesPresent(const std::string& folder);
void ShowStartupError(const std::string& message);

#endif
