// Test fixture: a fresh simulated machine and a fresh process-wide state per test.
#ifndef KEST_TESTS_SIMTEST_H
#define KEST_TESTS_SIMTEST_H

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include <string>
#include <vector>

#include "WinSys.h"

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
