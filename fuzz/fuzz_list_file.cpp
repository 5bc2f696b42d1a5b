// A list file of any bytes read into lines, and the lines written back and read again.
#include "FuzzInput.h"
#include "WinSysFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzMachine machine;
    const std::string path = "C:\\Data\\AutoLoad.Lst";
    machine->AddFile(path, std::string(reinterpret_cast<const char*>(data), size));

    StringList lines;
    FUZZ_CHECK(LoadListFile(lines, path));
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    }
    SaveListFile(lines, path);
    StringList again;
    FUZZ_CHECK(LoadListFile(again, path));
    FUZZ_CHECK(again == lines);
    return 0;
}
