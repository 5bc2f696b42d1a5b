// The search for message boxes that the test tools share: a message box is a visible
// top-level dialog (class "#32770"), of any process or of one.
#ifndef KEST_TOOLS_BOXSEARCH_H
#define KEST_TOOLS_BOXSEARCH_H

#include <windows.h>

#include <string>
#include <vector>

inline std::string ClassName(HWND window) {
    char name[64];
    int got = GetClassNameA(window, name, sizeof name);
    return std::string(name, got > 0 ? got : 0);
}

struct BoxSearch {
    DWORD process;  // 0: any process
    std::vector<HWND> found;
};

inline BOOL CALLBACK CollectBox(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<BoxSearch*>(context);
    if (search->process != 0) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != search->process) return TRUE;
    }
    if (IsWindowVisible(window) && ClassName(window) == "#32770") search->found.push_back(window);
    return TRUE;
}

// The open message boxes of the process, or of every process when it is 0.
inline std::vector<HWND> OpenBoxes(DWORD process = 0) {
    BoxSearch search = {process, {}};
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The process's first open message box, or null when it shows none.
inline HWND BoxOf(DWORD process) {
    const std::vector<HWND> boxes = OpenBoxes(process);
    return boxes.empty() ? nullptr : boxes.front();
}

// Presses a button of the box as a click would.
inline void PressButton(HWND box, int button) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

#endif
