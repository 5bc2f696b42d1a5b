// Copying one file through lz32, loaded from the system folder.
#ifndef KEST_SETUP_SETUPLZ_H
#define KEST_SETUP_SETUPLZ_H

#include <string>

// A compressed source is written out expanded, any other source unchanged; a failure
// is shown in a box captioned "CopyFile".
bool LzCopyFile(const std::string& source, const std::string& destination);

#endif
