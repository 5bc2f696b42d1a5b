// Fixture of the uninstaller's tests: a clean simulated machine, the uninstaller run
// by an administrator.
#ifndef KEST_TESTS_UNINSTALL_KESTDELTEST_H
#define KEST_TESTS_UNINSTALL_KESTDELTEST_H

#include <string>
#include <vector>

#include "KestDel.h"
#include "SimTest.h"
#include "WinSys.h"

// The system's state of a run by an administrator: the machine of a table's case
// starts from it, as `CleanMachine fresh(Administrator());`.
inline ProcessState Administrator() {
    ProcessState state;
    state.IsAdmin = true;
    return state;
}

class KestDelTest : public SimTest {
protected:
    KestDelTest() { State = Administrator(); }
};

#endif
