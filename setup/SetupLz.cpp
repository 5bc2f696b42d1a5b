// Copying one file through lz32: a compressed source is written out expanded, any
// other source unchanged.
// clang-format off
#include <windows.h>
#include <lzexpand.h>  // needs the types of windows.h
// clang-format on

#include "SetupA.h"
#include "WinSys.h"

namespace {

const WORD SourceStyle = OF_READ | OF_SHARE_DENY_WRITE;                   // 32
const WORD DestinationStyle = OF_CREATE | OF_SHARE_EXCLUSIVE | OF_WRITE;  // 4113

// A file opened with LZOpenFileA. lz32 answers a failed open with a negative
// error code, never a handle, so no negative value is ever closed.
class LzFile {
public:
    LzFile(const std::string& path, OFSTRUCT& reopen, WORD style) : handle_(-1) {
        std::string name = path;  // LZOpenFileA takes a writable name
        handle_ = LZOpenFileA(&name[0], &reopen, style);
    }
    ~LzFile() {
        if (IsOpen()) LZClose(handle_);
    }
    LzFile(const LzFile&) = delete;
    LzFile& operator=(const LzFile&) = delete;

    bool IsOpen() const { return handle_ >= 0; }
    INT Handle() const { return handle_; }

private:
    INT handle_;
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool CopyThrough(const LzFile& source, const LzFile& destination) {
    try {
        return LZCopy(source.Handle(), destination.Handle()) >= 0;
    } catch (...) {
        return false;  // whatever broke the copy, the user hears of it as a failed copy
    }
}

}  // namespace

bool LzCopyFile(const std::string& source, const std::string& destination) {
    OFSTRUCT reopen = {};
    LzFile input(source, reopen, SourceStyle);
    if (!input.IsOpen()) {
        ShowMessageBox("Error opening source file " + Quoted(source), "CopyFile");
        return false;
    }
    LzFile output(destination, reopen, DestinationStyle);
    if (!output.IsOpen()) {
        ShowMessageBox("Error opening destination file " + Quoted(destination), "CopyFile");
        return false;
    }
    const bool copied = CopyThrough(input, output);
    if (!copied) {
        ShowMessageBox("Error copying file " + Quoted(source) + " to " + Quoted(destination),
                       "CopyFile");
    }
    return copied;  // the destination closes first, then the source
}
