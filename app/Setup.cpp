// Entry point of Setup.exe (and of the same file installed as KestDel.Exe).
#include <windows.h>

#include "Program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return RunProgram(); }
