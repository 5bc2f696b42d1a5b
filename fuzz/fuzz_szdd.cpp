// lz32's copy of a file of any bytes, as the launcher unpacks the program: the
// simulated Windows expands SZDD data through libmspack.
#include <lzexpand.h>

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzMachine machine;
    const std::string source(reinterpret_cast<const char*>(data), size);
    machine->AddFile("C:\\Medium\\Kest.Ex_", source);
    OFSTRUCT sourceInfo{};
    OFSTRUCT destinationInfo{};
    char sourceName[] = "C:\\Medium\\Kest.Ex_";
    char destinationName[] = "C:\\Windows\\Temp\\Kest.Exe";
    const INT in = LZOpenFileA(sourceName, &sourceInfo, OF_READ);
    const INT out = LZOpenFileA(destinationName, &destinationInfo, OF_CREATE);
    FUZZ_CHECK(in >= 0 && out >= 0);
    const LONG copied = LZCopy(in, out);
    LZClose(out);
    LZClose(in);
    const std::string expanded = machine->Content("C:\\Windows\\Temp\\Kest.Exe");
    // A successful copy answers the size it wrote; a plain file comes out unchanged.
    FUZZ_CHECK(copied < 0 || static_cast<size_t>(copied) == expanded.size());
    FUZZ_CHECK(source.compare(0, 4, "SZDD") == 0 || copied < 0 || expanded == source);
    return 0;
}
