// Drives, files and folders of the simulated machine (files part).
#ifndef WINSIM_FILESYSTEM_H
#define WINSIM_FILESYSTEM_H

namespace winsim {

struct FileSystemState {};

}  // namespace winsim

#endif
