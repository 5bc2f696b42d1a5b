// Start-up and shut-down of the system module.
#include "WinSysStartup.h"

#include "ProductNames.h"
#include "WinSys.h"
#include "WinSysRegistry.h"

void InitializeWinSys() {
    State.IsNT = DetectWindowsVersion();
    State.IsAdmin = State.IsNT ? IsAdministrator() : true;
    State.LogLines.reset(new StringList());
    DeleteRegistryKey(ProductKeyPath, true);
}

void FinalizeWinSys() { State.LogLines.reset(); }
