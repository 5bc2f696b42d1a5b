// Owner of a kernel handle for the test tools: closes it once, when it goes.
#ifndef KEST_TOOLS_TOOLHANDLE_H
#define KEST_TOOLS_TOOLHANDLE_H

#include <windows.h>

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return handle_; }
    bool IsValid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE handle) {
        Close();
        handle_ = handle;
    }

private:
    void Close() {
        if (IsValid()) CloseHandle(handle_);
    }

    HANDLE handle_;
};

#endif
