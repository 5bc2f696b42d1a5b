// The installation-file check and the launcher's one form of error message.
#include "SetupFiles.h"

#include <windows.h>

#include "ProductNames.h"
#include "WinSys.h"
#include "WinSysFiles.h"
#include "WinSysHandles.h"

namespace {

const char* const DownloadHint =
    ". Download latest program from www.tessaly.example/download/ftp.tessaly.example/pub and "
    "reinstall.";

bool EitherFileIsPresent(const std::string& first, const std::string& second) {
    return FileIsPresent(first) || FileIsPresent(second);
}

// Folders count: a language module may be unpacked into a sub-folder.
bool AnyEntryMatches(const std::string& pattern) {
    WIN32_FIND_DATAA entry;
    DirectorySearch search(pattern, entry);
    return search.Found();
}

}  // namespace

bool InstallFilesPresent(const std::string& folder) {
    // Every condition is tested, so a medium is always read the same way.
    const bool program = EitherFileIsPresent(folder + "Kest.Ex_", folder + ProgramFileName);
    const bool library = EitherFileIsPresent(folder + "RApi.Dl_", folder + "RApi.Dll");
    const bool messages = FileIsPresent(folder + "Install.Msg");
    const bool common = FileIsPresent(folder + "Common.801");
    const bool language = AnyEntryMatches(folder + "Lang*.*");
    return program && library && messages && common && language;
}

void ShowStartupError(const std::string& message) {
    ShowMessageBox(message + DownloadHint, StartupCaption);
}
