// Fixture of the uninstaller's tests: a simulated Windows 10 machine with an
// administrator's state, and the boxes shown read back as "caption | text".
#ifndef KEST_TESTS_UNINSTALL_KESTDELTEST_H
#define KEST_TESTS_UNINSTALL_KESTDELTEST_H

#include <memory>
#include <string>
#include <vector>

#include "KestDel.h"
#include "SimTest.h"

class KestDelTest : public SimTest {
protected:
    KestDelTest() { State.IsAdmin = true; }

    // A case of a table-driven test on a machine of its own, which stays the current
    // one until the next call; the state starts afresh with an administrator.
    winsim::Machine& FreshMachine() {
        if (fresh_) ExpectNothingOpen(*fresh_);
        fresh_.reset();
        fresh_.reset(new winsim::Machine);
        State = ProcessState();
        State.IsAdmin = true;
        return *fresh_;
    }
    Strings Boxes() const { return BoxesOf(machine); }
    void TearDown() override {
        SimTest::TearDown();
        if (fresh_) ExpectNothingOpen(*fresh_);
    }

private:
    std::unique_ptr<winsim::Machine> fresh_;
};

#endif
