// Files compressed at test time by Debian's mscompress, in the SZDD form lz32 expands.
#ifndef KEST_TESTS_COMPRESS_H
#define KEST_TESTS_COMPRESS_H

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline bool HaveCompressor() { return std::system("command -v mscompress >/dev/null 2>&1") == 0; }

// The SZDD form of `data` as mscompress writes it; empty when it failed.
inline std::string Compress(const std::string& data) {
    char pattern[] = "/tmp/kest-lz-XXXXXX";
    if (!mkdtemp(pattern)) return "";
    const std::filesystem::path folder = pattern;
    std::ofstream(folder / "kest.bin", std::ios::binary) << data;
    std::string packed;
    const std::string command =
        "cd '" + folder.string() + "' && mscompress kest.bin >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) {
        std::ifstream in(folder / "kest.bin_", std::ios::binary);
        packed.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return packed;
}

// Damaged SZDD files: a compression method lz32 does not know, and an expanded length
// far beyond the data.
inline std::string WithUnknownMethod(std::string packed) {
    packed[8] = 'Q';
    return packed;
}
inline std::string WithHugeLength(std::string packed) {
    packed.replace(10, 4, "\xff\xff\xff\x7f");
    return packed;
}

#endif
