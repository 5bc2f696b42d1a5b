#include "SetupFixture.h"

#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace setuptest {

bool HaveCompressor() { return std::system("command -v mscompress >/dev/null 2>&1") == 0; }

std::string Compress(const std::string& content) {
    char folder[] = "/tmp/setl_szddXXXXXX";
    if (!mkdtemp(folder)) return "";
    const std::string plain = std::string(folder) + "/data.bin";
    std::ofstream(plain, std::ios::binary) << content;
    std::ostringstream packed;
    if (std::system(("mscompress '" + plain + "' >/dev/null 2>&1").c_str()) == 0) {
        packed << std::ifstream(plain + "_", std::ios::binary).rdbuf();
    }
    if (std::system(("rm -rf '" + std::string(folder) + "'").c_str()) != 0) return "";
    return packed.str();
}

std::vector<std::string> Started(const winsim::Machine& machine) {
    std::vector<std::string> started;
    for (const auto& p : machine.processes)
        started.push_back(p.commandLine + " | " + p.currentFolder);
    return started;
}

void AddMedium(winsim::Machine& machine, const std::string& folder, const std::string& program,
               const std::string& library) {
    machine.AddFile(folder + program, "MZ program");
    machine.AddFile(folder + library, "MZ library");
    machine.AddFile(folder + "Install.Msg", "messages");
    machine.AddFile(folder + "Common.801", "common");
    machine.AddFile(folder + "LangEng.801", "english");
}

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
