#include "SetupFixture.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace setuptest {

namespace {

std::string TempDir() {
    char pattern[] = "/tmp/setl_szddXXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "";
}

std::string WithoutBackslash(const std::string& folder) {
    if (!folder.empty() && folder.back() == '\\') return folder.substr(0, folder.size() - 1);
    return folder;
}

}  // namespace

bool HaveCompressor() { return std::system("command -v mscompress >/dev/null 2>&1") == 0; }

std::string Compress(const std::string& content) {
    const std::string dir = TempDir();
    if (dir.empty()) return "";
    const std::string plain = dir + "/data.bin";
    {
        std::ofstream out(plain, std::ios::binary);
        out << content;
    }
    std::string packed;
    if (std::system(("mscompress '" + plain + "' >/dev/null 2>&1").c_str()) == 0) {
        std::ifstream in(plain + "_", std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        packed = bytes.str();
    }
    std::system(("rm -rf '" + dir + "'").c_str());
    return packed;
}

std::vector<std::string> Boxes(const winsim::Machine& machine) {
    std::vector<std::string> shown;
    for (const auto& box : machine.boxes) shown.push_back(box.caption + " | " + box.text);
    return shown;
}

void AddMedium(winsim::Machine& machine, const std::string& folder) {
    machine.AddFile(folder + "Kest.Exe", "MZ source program");
    machine.AddFile(folder + "RApi.Dll", "MZ library");
    machine.AddFile(folder + "Install.Msg", "messages");
    machine.AddFile(folder + "Common.801", "common");
    machine.AddFile(folder + "LangEng.801", "english");
}

void InstallProduct(winsim::Machine& machine, const std::string& displayName,
                    const std::string& programFolder, const std::string& dataFolder,
                    bool withProgram) {
    machine.SetString(HKEY_CURRENT_USER, UninstallKey, "DisplayName", displayName);
    machine.SetString(HKEY_CURRENT_USER, UninstallKey, "UninstallString",
                      programFolder + "KestDel.Exe \"Tessaly\" \"Tessaly\" \"" + dataFolder +
                          "\" \"C:\\Tessaly Extra\\\"");
    machine.AddFolder(WithoutBackslash(programFolder));
    if (!dataFolder.empty()) machine.AddFolder(WithoutBackslash(dataFolder));
    if (withProgram) machine.AddFile(programFolder + "Kest.Exe", "MZ installed program");
}

}  // namespace setuptest
