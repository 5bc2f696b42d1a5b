// The uninstaller's font removal with a Fonts.Reg of any bytes. Whatever the lines
// say, the fonts key itself and the system's font folder stay.
#include "FuzzInput.h"
#include "KestDelFonts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzMachine machine;
    const std::string fontsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    machine->AddKey(HKEY_LOCAL_MACHINE, fontsKey + "\\Kest Serif");
    machine->AddFile("C:\\Windows\\Fonts\\Arial.Ttf", "font");
    machine->AddFile("C:\\Kest\\Fonts\\Kest.Ttf", "font");
    machine->AddFile("C:\\Kest\\Fonts\\Fonts.Reg",
                     std::string(reinterpret_cast<const char*>(data), size));
    State.IsAdmin = true;

    try {
        RemoveFonts("C:\\Kest\\Fonts\\");
    } catch (const KestError&) {
        // A list that cannot be written back ends the run through its report.
    }
    FUZZ_CHECK(machine->KeyExists(HKEY_LOCAL_MACHINE, fontsKey));
    FUZZ_CHECK(machine->IsFolder("C:\\Windows\\Fonts"));
    for (const winsim::BoxRecord& box : machine->boxes) {
        FUZZ_CHECK(box.caption == "Font Delete" || box.caption == "File Delete" ||
                   box.caption == "Directory Delete");
    }
    return 0;
}
