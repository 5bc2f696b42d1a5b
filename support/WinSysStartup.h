// Start-up and shut-down of the system module, run around the mode in both modes.
#ifndef KEST_SUPPORT_WINSYSSTARTUP_H
#define KEST_SUPPORT_WINSYSSTARTUP_H

// Fills the state record and removes the machine-wide product key; may raise
// SystemError when the administrator test cannot be made.
void InitializeWinSys();
void FinalizeWinSys();

#endif
