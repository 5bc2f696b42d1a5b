// The uninstaller's test of the folders it must never remove, with any path. Fields:
// the path, then a system folder setting (first byte picks which).
#include "FuzzInput.h"
#include "KestDelProtected.h"

namespace {

// The path with its ASCII letters upper-cased: the same folder to the system.
std::string Upper(std::string path) {
    for (char& c : path) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzInput input(data, size);
    FuzzMachine machine;
    const std::string path = input.Field(0);
    const std::string setting = input.Field(1);
    switch (input.Selector(2) % 4) {
        case 1:
            machine->windowsFolder = setting;
            break;
        case 2:
            machine->SetString(
                HKEY_CURRENT_USER,
                "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Desktop",
                setting);
            break;
        case 3:
            machine->environment["USERPROFILE"] = setting;
            break;
        default:
            break;
    }

    const bool isProtected = IsProtectedFolder(path);
    // The system's own folders and every root are protected, however spelt.
    FUZZ_CHECK(IsProtectedFolder("C:\\Windows"));
    FUZZ_CHECK(IsProtectedFolder("c:\\"));
    // Case does not make another folder of it (single-byte code page).
    FUZZ_CHECK(IsProtectedFolder(Upper(path)) == isProtected);
    return 0;
}
