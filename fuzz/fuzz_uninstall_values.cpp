// The installed product's uninstall entry as the launcher and the uninstaller read it:
// "UninstallString" and "DisplayName" of any bytes and registry type.
// Fields: value kinds (two bytes), UninstallString, DisplayName.
#include "FuzzInput.h"
#include "SetupA.h"
#include "SetupModules.h"
#include "WinSysRegistry.h"

namespace {

const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaly";

// Stores the value as the kind asks: its type, and whether its terminator is there.
void StoreValue(winsim::Machine& machine, HKEY root, const char* name, unsigned kind,
                const std::string& text) {
    static const DWORD types[] = {REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD};
    if (kind & 8) return;  // no such value
    std::string data = text;
    if (kind & 4) data += '\0';
    machine.SetValue(root, UninstallKey, name, types[kind & 3], data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzInput input(data, size);
    FuzzMachine machine;
    const std::string kinds = input.Field(0) + std::string(2, '\0');
    const HKEY root = (kinds[0] & 0x10) ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    StoreValue(*machine, root, "UninstallString", static_cast<unsigned char>(kinds[0]),
               input.Field(1));
    StoreValue(*machine, root, "DisplayName", static_cast<unsigned char>(kinds[1]), input.Field(2));

    try {
        const std::string programFolder = InstalledProgramFolder();
        const std::string dataFolder = InstalledDataFolder();
        const std::string command = ReadUninstallValue("UninstallString");
        FUZZ_CHECK(programFolder.size() <= command.size());
        FUZZ_CHECK(dataFolder.size() <= command.size());
        VersionNumber(ReadUninstallValue("DisplayName"));
    } catch (const KestError&) {
        // A value of the wrong type is the registry error the callers handle.
    }
    return 0;
}
