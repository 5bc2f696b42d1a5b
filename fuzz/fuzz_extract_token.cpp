// Tokens of a line such as a registered uninstall command or a font list line.
// Fields: token number (first byte), text.
#include "FuzzInput.h"
#include "Tools.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzInput input(data, size);
    const std::string text = input.Field(1);
    const int n = static_cast<int>(input.Selector(0) % 8) - 1;
    const std::string token = ExtractToken(text, n);
    // A token is a stretch of the text, without separators unless it was quoted.
    FUZZ_CHECK(token.size() <= text.size());
    FUZZ_CHECK(text.find(token) != std::string::npos);
    FUZZ_CHECK(token.find('"') == std::string::npos ||
               token.find_first_of(" \r\n") == std::string::npos);
    FUZZ_CHECK(n >= 1 || token.empty());
    return 0;
}
