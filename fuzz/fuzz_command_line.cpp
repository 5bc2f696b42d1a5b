// The process command line taken apart into arguments, on a single-byte and on a
// double-byte code page. Fields: code page (its first bit), command line, own path.
#include "FuzzInput.h"
#include "Tools.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzInput input(data, size);
    FuzzMachine machine;
    machine->doubleByteCodePage = (input.Selector(0) & 1) != 0;
    machine->commandLine = input.Field(1);
    machine->moduleFileName = input.Field(2);

    bool ended = false;
    for (int n = 1; n <= 5; ++n) {
        const std::string argument = ProgramArgument(n);
        // Nothing beyond the line reaches an argument, nor a quote character (on a
        // double-byte code page a quote after a lead byte is that character's second byte).
        FUZZ_CHECK(argument.size() <= machine->commandLine.size() ||
                   argument == machine->moduleFileName);
        FUZZ_CHECK(machine->doubleByteCodePage || argument.find('"') == std::string::npos ||
                   argument == machine->moduleFileName);
        // Past the last argument every one is empty.
        FUZZ_CHECK(!ended || argument.empty());
        ended = argument.empty();
        FUZZ_CHECK(argument ==
                   CommandLineArgument(machine->commandLine.c_str(), n, machine->moduleFileName));
    }
    return 0;
}
