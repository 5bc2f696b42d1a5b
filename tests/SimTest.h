// Test fixture: a fresh simulated machine and a fresh process-wide state per test.
#ifndef KEST_TESTS_SIMTEST_H
#define KEST_TESTS_SIMTEST_H

#include <gtest/gtest.h>
#include <winsim/Machine.h>

#include "WinSys.h"

class SimTest : public ::testing::Test {
protected:
    SimTest() { State = ProcessState(); }
    ~SimTest() override { State = ProcessState(); }
    winsim::Machine machine;
};

#endif
