// Simulated Windows: the shell's file operation.
#ifndef WINSIM_SHELLAPI_H
#define WINSIM_SHELLAPI_H

#include <windows.h>

#define FO_MOVE 0x0001
#define FO_COPY 0x0002
#define FO_DELETE 0x0003
#define FO_RENAME 0x0004
#define FOF_MULTIDESTFILES 0x0001
#define FOF_SILENT 0x0004
#define FOF_RENAMEONCOLLISION 0x0008
#define FOF_NOCONFIRMATION 0x0010
#define FOF_ALLOWUNDO 0x0040
#define FOF_FILESONLY 0x0080
#define FOF_NOERRORUI 0x0400
#define FOF_WANTNUKEWARNING 0x4000

typedef struct _SHFILEOPSTRUCTA {
    HWND hwnd;
    UINT wFunc;
    LPCSTR pFrom;
    LPCSTR pTo;
    FILEOP_FLAGS fFlags;
    BOOL fAnyOperationsAborted;
    LPVOID hNameMappings;
    LPCSTR lpszProgressTitle;
} SHFILEOPSTRUCTA, *LPSHFILEOPSTRUCTA;

int WINAPI SHFileOperationA(LPSHFILEOPSTRUCTA fileOp);

typedef struct _SHQUERYRBINFO {
    DWORD cbSize;
    long long i64Size;
    long long i64NumItems;
} SHQUERYRBINFO, *LPSHQUERYRBINFO;

// Not imported by the system (Windows 95 and NT 4.0 lack it): reached through
// GetProcAddress.
HRESULT WINAPI SHQueryRecycleBinA(LPCSTR rootPath, LPSHQUERYRBINFO information);

#endif
