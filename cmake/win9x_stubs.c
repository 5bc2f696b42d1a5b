/* Windows 98 exports some functions only as stubs that fail with
   ERROR_CALL_NOT_IMPLEMENTED: the W function the C++ runtime's lock uses, and MoveFileExA.
   Linked into a test copy of Setup.exe (Setup9x.exe), these stand in for them, so that the
   Wine tests, posing as Windows 98, show what the program does with such an answer. Each
   replaces the import's address slot of the same name. */
#include <windows.h>

static HANDLE WINAPI CreateSemaphoreWStub(LPSECURITY_ATTRIBUTES attributes, LONG initial,
                                          LONG maximum, LPCWSTR name) {
    (void)attributes;
    (void)initial;
    (void)maximum;
    (void)name;
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return NULL;
}

HANDLE(WINAPI* const CreateSemaphoreWSlot)
(LPSECURITY_ATTRIBUTES, LONG, LONG,
 LPCWSTR) __asm__("__imp__CreateSemaphoreW@16") = CreateSemaphoreWStub;

static BOOL WINAPI MoveFileExAStub(LPCSTR from, LPCSTR to, DWORD flags) {
    (void)from;
    (void)to;
    (void)flags;
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

BOOL(WINAPI* const MoveFileExASlot)
(LPCSTR, LPCSTR, DWORD) __asm__("__imp__MoveFileExA@12") = MoveFileExAStub;
