// Helpers for the launcher's tests: installation media, installed products and
// files compressed by Debian's mscompress.
#ifndef KEST_TESTS_SETUP_SETUPFIXTURE_H
#define KEST_TESTS_SETUP_SETUPFIXTURE_H

#include <string>
#include <vector>

#include "SimTest.h"

namespace setuptest {

const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaly";
const char* const Hint =
    ". Download latest program from www.tessaly.example/download/ftp.tessaly.example/pub and "
    "reinstall.";

// The bytes mscompress makes of `content`, or empty when the tool is missing.
std::string Compress(const std::string& content);
bool HaveCompressor();

// Boxes shown, as "caption | text".
std::vector<std::string> Boxes(const winsim::Machine& machine);

// A full installation source in `folder` (with trailing backslash): the program
// uncompressed, the library, the message file, the common module and a language module.
void AddMedium(winsim::Machine& machine, const std::string& folder);

// An installed product: uninstall entry under HKCU and the program file.
void InstallProduct(winsim::Machine& machine, const std::string& displayName,
                    const std::string& programFolder, const std::string& dataFolder,
                    bool withProgram = true);

}  // namespace setuptest

#endif
