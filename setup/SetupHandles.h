// Owners for the system handles the setup launcher opens: each closes its handle
// when it goes out of scope, on every path.
#ifndef KEST_SETUP_SETUPHANDLES_H
#define KEST_SETUP_SETUPHANDLES_H

#include <windows.h>

#include <string>

// A directory search started with FindFirstFileA.
class DirectorySearch {
public:
    DirectorySearch(const std::string& pattern, WIN32_FIND_DATAA& entry)
        : handle_(FindFirstFileA(pattern.c_str(), &entry)) {}
    ~DirectorySearch() { Close(); }
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    bool Found() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& entry) { return FindNextFileA(handle_, &entry) != FALSE; }
    void Close() {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        if (!FindClose(handle_)) {
            // A search handle that cannot be closed leaves nothing to repair.
        }
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

#endif
