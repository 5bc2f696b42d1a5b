// Drives, files and folders (files part).
#include "Internal.h"

namespace winsim {

void InitDefaultFiles(Machine&) {}

}  // namespace winsim
