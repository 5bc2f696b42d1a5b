/* Windows 98 exports some functions only as stubs that fail with
   ERROR_CALL_NOT_IMPLEMENTED; of those the program imports MoveFileExA. Linked into a test
   copy of Setup.exe (Setup9x.exe), this stands in for it, so that the Wine tests, posing as
   Windows 98, show what the program does with such an answer. It replaces the import's
   address slot of the same name. */
#include <windows.h>

static BOOL WINAPI MoveFileExAStub(LPCSTR from, LPCSTR to, DWORD flags) {
    (void)from;
    (void)to;
    (void)flags;
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

BOOL(WINAPI* const MoveFileExASlot)
(LPCSTR, LPCSTR, DWORD) __asm__("__imp__MoveFileExA@12") = MoveFileExAStub;
