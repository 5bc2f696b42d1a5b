// Test fixture: a fresh simulated machine and a fresh process-wide state per test.
#ifndef KEST_TESTS_SIMTEST_H
#define KEST_TESTS_SIMTEST_H

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <string>
#include <vector>

#include "WinSys.h"

using Strings = std::vector<std::string>;

// Every box the machine has shown, in order, as "caption | text": tests compare the
// whole list, so that no stray box goes unseen.
inline Strings BoxesOf(const winsim::Machine& m) {
    Strings shown;
    for (const winsim::BoxRecord& box : m.boxes) shown.push_back(box.caption + " | " + box.text);
    return shown;
}

// Nothing a run opened (file, search, key, process, token) may stay open after it.
inline void ExpectNothingOpen(const winsim::Machine& m) {
    EXPECT_EQ(m.OpenHandles(), std::vector<std::string>()) << "left open by the run";
}

class SimTest : public ::testing::Test {
protected:
    SimTest() { State = ProcessState(); }
    ~SimTest() override { State = ProcessState(); }
    void TearDown() override { ExpectNothingOpen(machine); }
    winsim::Machine machine;
};

#endif
