// The folder of its own that the unpacked program runs from.
#ifndef KEST_SETUP_SETUPFOLDER_H
#define KEST_SETUP_SETUPFOLDER_H

#include <string>

// A new folder under the temporary folder for the unpacked program, with a trailing
// backslash; on the NT family, for an administrator, one that only SYSTEM and the
// Administrators may write. Empty after a box when none can be made.
std::string CreateUnpackFolder(const std::string& tempFolder);

#endif
