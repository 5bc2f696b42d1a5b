// Message boxes of the simulated machine.
#include "Internal.h"

namespace winsim {

namespace {

// The button a box answers with when the test gave no answer: its first one.
int FirstButton(UINT type) {
    switch (type & 0xF) {
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        case MB_YESNOCANCEL:
        case MB_YESNO:
            return IDYES;
        case MB_RETRYCANCEL:
            return IDRETRY;
        default:
            return IDOK;
    }
}

}  // namespace

}  // namespace winsim

using namespace winsim;

int WINAPI MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    Machine& m = M();
    BoxRecord box{caption ? caption : "Error", text ? text : "", type, 0};
    const bool faulted = Faulted("MessageBoxA", ERROR_NOT_ENOUGH_MEMORY);
    if (m.faults.messageBox.fail || faulted) {
        m.boxes.push_back(box);
        if (m.faults.messageBox.fail) m.lastError = m.faults.messageBox.error;
        return 0;
    }
    if (!m.boxAnswers.empty()) {
        box.answer = m.boxAnswers.front();
        m.boxAnswers.pop_front();
    } else {
        box.answer = FirstButton(type);
    }
    m.boxes.push_back(box);
    Record("box: " + box.caption + " | " + box.text);
    if (m.onBox) m.onBox(box);
    return box.answer;
}
