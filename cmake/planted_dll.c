/* A library someone else planted: when a process loads it, its DllMain adds that process's
   path as a line to C:\planted.log. The Wine tests put it beside Setup.exe and KestDel.Exe
   (and in the temporary folder) under the names of libraries the program must never take
   from there. It exports lz32's three functions, so that a program importing them would
   load it without complaint; each fails. */
#define WIN32_LEAN_AND_MEAN /* no lzexpand.h: these are its functions */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char line[MAX_PATH + 2];
    DWORD length = GetModuleFileNameA(NULL, line, MAX_PATH);
    line[length++] = '\r';
    line[length++] = '\n';
    HANDLE log = CreateFileA("C:\\planted.log", FILE_APPEND_DATA, FILE_SHARE_READ, NULL,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (log == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    WriteFile(log, line, length, &written, NULL);
    CloseHandle(log);
    return TRUE;
}

__declspec(dllexport) INT WINAPI LZOpenFileA(LPSTR name, void* reopen, WORD style) {
    (void)name;
    (void)reopen;
    (void)style;
    return -1;
}

__declspec(dllexport) LONG WINAPI LZCopy(INT source, INT destination) {
    (void)source;
    (void)destination;
    return -1;
}

__declspec(dllexport) void WINAPI LZClose(INT file) { (void)file; }
