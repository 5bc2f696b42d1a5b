// Helpers for the launcher's tests: installed products, and files
// compressed at test time by Debian's mscompress.
#ifndef KEST_TESTS_SETUP_SETUPFIXTURE_H
#define KEST_TESTS_SETUP_SETUPFIXTURE_H

#include <string>
#include <vector>

#include "SimTest.h"

namespace setuptest {

const char* const Hint =
    ". Download latest program from www.tessaly.example/download/ftp.tessaly.example/pub and "
    "reinstall.";

bool HaveCompressor();
std::string Compress(const std::string& content);  // empty when mscompress fails

// An uninstall entry under HKCU naming the program and data folders, and the
// installed Kest.Exe when `withProgram`.
void InstallProduct(winsim::Machine& machine, const std::string& displayName,
                    const std::string& programFolder, const std::string& dataFolder,
                    bool withProgram = true);

}  // namespace setuptest

#endif
