/* Windows 98 exports some W functions only as stubs that fail with
   ERROR_CALL_NOT_IMPLEMENTED. Linked into a test copy of Setup.exe (Setup9x.exe), this
   stands in for the one Setup.exe imports (through the C++ runtime), so that the Wine tests show the program does not
   depend on their answer. Each replaces the import's address slot of the same name. */
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

HANDLE(WINAPI* const CreateSemaphoreWSlot)(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR)
    __asm__("__imp__CreateSemaphoreW@16") = CreateSemaphoreWStub;
