// Fixture of the uninstaller's tests: a simulated Windows 10 machine with an
// administrator's state, and the boxes shown read back as "caption | text".
#ifndef KEST_TESTS_UNINSTALL_KESTDELTEST_H
#define KEST_TESTS_UNINSTALL_KESTDELTEST_H

#include <string>
#include <vector>

#include "KestDel.h"
#include "SimTest.h"

class KestDelTest : public SimTest {
protected:
    KestDelTest() { State.IsAdmin = true; }

    // Every box shown so far, as "caption | text".
    std::vector<std::string> Boxes() const {
        std::vector<std::string> shown;
        for (const winsim::BoxRecord& box : machine.boxes) {
            shown.push_back(box.caption + " | " + box.text);
        }
        return shown;
    }
};

#endif
