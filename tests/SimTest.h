// The host tests' one set of helpers: a clean simulated machine with a clean system
// state, the fixture built on it, the boxes and programs a run showed and started, and
// the places every test needs.
#ifndef KEST_TESTS_SIMTEST_H
#define KEST_TESTS_SIMTEST_H

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "WinSys.h"

using Strings = std::vector<std::string>;

const char* const ProductKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Tessaly";
const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessaly";
const char* const RunOnceKey = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char* const ShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const FontsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// The uninstaller's first box, as BoxesOf shows it.
const char* const Confirmation =
    "Uninstall | You do not have to uninstall the Tessaly program to install a new version. "
    "Uninstalling the program moves all the program files/folders to your recycle bin. "
    "REBOOT COMPUTER BEFORE UNISTALLING. Do you wish to uninstall the program?";

// Every box the machine has shown, in order, as "caption | text": tests compare the
// whole list, so that no stray box goes unseen.
inline Strings BoxesOf(const winsim::Machine& m) {
    Strings shown;
    for (const winsim::BoxRecord& box : m.boxes) shown.push_back(box.caption + " | " + box.text);
    return shown;
}

// Every program the machine has started, in order, as "command line | folder".
inline Strings Started(const winsim::Machine& m) {
    Strings started;
    for (const winsim::ProcessRecord& p : m.programs.started)
        started.push_back(p.commandLine + " | " + p.currentFolder);
    return started;
}

// The "delete:" lines of names the run had not made its own first (created, or
// renamed onto) before deleting them: such a name may be another user's link, and
// Wine's DeleteFileA deletes a file link's target.
inline Strings DeletesOfNamesNotOwned(const winsim::Machine& m) {
    Strings owned;
    Strings foreign;
    for (const std::string& line : m.transcript) {
        if (line.rfind("write: ", 0) == 0) owned.push_back(line.substr(7));
        const std::string::size_type arrow = line.find(" -> ");
        if (line.rfind("move: ", 0) == 0 && arrow != std::string::npos) {
            owned.push_back(line.substr(arrow + 4));
        }
        if (line.rfind("delete: ", 0) == 0) {
            const std::string name = line.substr(8);
            const auto found = std::find(owned.begin(), owned.end(), name);
            if (found == owned.end()) {
                foreign.push_back(line);
            } else {
                owned.erase(found);
            }
        }
    }
    return foreign;
}

// Another user's file, which a link in a folder of ours may name; and the check that
// it is as that user left it.
const char* const OtherUsersFile = "C:\\Users\\Bob\\thesis.txt";

inline void AddOtherUsersFile(winsim::Machine& m) {
    m.AddFile(OtherUsersFile, "chapter 1", FILE_ATTRIBUTE_HIDDEN);
}

inline void ExpectOtherUsersFileUntouched(const winsim::Machine& m, const std::string& what) {
    EXPECT_EQ(m.Content(OtherUsersFile), "chapter 1") << what;
    EXPECT_EQ(m.Attributes(OtherUsersFile), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN)) << what;
}

// Nothing a run opened (file, search, key, process, token) may stay open after it.
inline void ExpectNothingOpen(const winsim::Machine& m) {
    EXPECT_EQ(m.OpenHandles(), Strings()) << "left open by the run";
}

// A fresh machine, the current one while it lives, with the system's process-wide
// state started afresh (as `start`); when it goes, nothing may be left open on it and
// the state is cleared again, so that no run sees what an earlier one left.
class CleanMachine : public winsim::Machine {
public:
    explicit CleanMachine(ProcessState start = ProcessState()) { State = std::move(start); }
    ~CleanMachine() {
        ExpectNothingOpen(*this);
        State = ProcessState();
    }
};

// A complete set of installation files in `folder`, the program and library under
// the names given.
inline void AddMedium(winsim::Machine& m, const std::string& folder,
                      const std::string& program = "Kest.Exe",
                      const std::string& library = "RApi.Dll") {
    m.AddFile(folder + program, "MZ program");
    m.AddFile(folder + library, "MZ library");
    m.AddFile(folder + "Install.Msg", "messages");
    m.AddFile(folder + "Common.801", "common");
    m.AddFile(folder + "LangEng.801", "english");
}

// The fixture of the system's tests: each test on a clean machine of its own. A
// table-driven test gives each case a `CleanMachine` of its own in the loop.
class SimTest : public ::testing::Test {
protected:
    CleanMachine machine;
};

#endif
