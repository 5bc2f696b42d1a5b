#include "SetupFixture.h"

namespace setuptest {

void InstallProduct(winsim::Machine& machine, const std::string& displayName,
                    const std::string& programFolder, const std::string& dataFolder,
                    bool withProgram) {
    machine.SetString(HKEY_CURRENT_USER, UninstallKey, "DisplayName", displayName);
    machine.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString",
                      programFolder + "KestDel.Exe Tessaly Tessaly \"" + dataFolder + "\" x");
    if (withProgram) machine.AddFile(programFolder + "Kest.Exe", "MZ installed program");
    if (!dataFolder.empty()) machine.AddFolder(dataFolder.substr(0, dataFolder.size() - 1));
}

}  // namespace setuptest
