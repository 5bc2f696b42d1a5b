/* The smallest program that shows one message box: the floor for the start-up time. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    MessageBoxA(NULL, "Minimal", "Minimal", MB_OK);
    return 0;
}
