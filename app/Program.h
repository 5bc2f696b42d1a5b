// The process from its first to its last instruction: module start-up, mode
// choice, the top-level error report and the exit code.
#ifndef KEST_APP_PROGRAM_H
#define KEST_APP_PROGRAM_H

// Runs the whole program and returns the exit code (0, 1 or 217).
int RunProgram();

#endif
