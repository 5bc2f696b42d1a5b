// Helpers for the launcher's tests: installed products.
#ifndef KEST_TESTS_SETUP_SETUPFIXTURE_H
#define KEST_TESTS_SETUP_SETUPFIXTURE_H

#include <string>
#include <vector>

#include "Compress.h"
#include "SimTest.h"

namespace setuptest {

const char* const Hint =
    ". Download latest program from www.tessaly.example/download/ftp.tessaly.example/pub and "
    "reinstall.";

// An uninstall entry under HKCU naming the program and data folders, and the
// installed Kest.Exe when `withProgram`.
void InstallProduct(winsim::Machine& machine, const std::string& displayName,
                    const std::string& programFolder, const std::string& dataFolder,
                    bool withProgram = true);

}  // namespace setuptest

#endif
