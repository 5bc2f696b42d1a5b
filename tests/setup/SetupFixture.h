// Helpers for the launcher's tests: media, installed products, and files
// compressed at test time by Debian's mscompress.
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

bool HaveCompressor();
std::string Compress(const std::string& content);  // empty when mscompress fails

std::vector<std::string> Started(const winsim::Machine& machine);  // "command | folder"

// A complete set of installation files in `folder`, the program and library
// under the names given.
void AddMedium(winsim::Machine& machine, const std::string& folder,
               const std::string& program = "Kest.Exe", const std::string& library = "RApi.Dll");

// An uninstall entry under HKCU naming the program and data folders, and the
// installed Kest.Exe when `withProgram`.
void InstallProduct(winsim::Machine& machine, const std::string& displayName,
                    const std::string& programFolder, const std::string& dataFolder,
                    bool withProgram = true);

}  // namespace setuptest

#endif
