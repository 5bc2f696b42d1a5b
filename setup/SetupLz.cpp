// Copying one file through lz32: a compressed source is written out expanded, any
// other source unchanged.
// clang-format off
#include <windows.h>
#include <lzexpand.h>  // needs the types of windows.h
// clang-format on

#include <algorithm>
#include <string>

#include "SetupA.h"
#include "Tools.h"
#include "WinSys.h"

namespace {

const WORD SourceStyle = OF_READ | OF_SHARE_DENY_WRITE;                   // 32
const WORD DestinationStyle = OF_CREATE | OF_SHARE_EXCLUSIVE | OF_WRITE;  // 4113
const char* const CopyCaption = "CopyFile";

// A file opened with LZOpenFileA. lz32 answers a failed open with a negative
// error code, never a handle, so no negative value is ever closed.
class LzFile {
public:
    LzFile(const std::string& path, OFSTRUCT& reopen, WORD style) : handle_(-1) {
        std::string name = path;  // LZOpenFileA takes a writable name
        handle_ = LZOpenFileA(&name[0], &reopen, style);
    }
    ~LzFile() { Close(); }
    LzFile(const LzFile&) = delete;
    LzFile& operator=(const LzFile&) = delete;

    bool IsOpen() const { return handle_ >= 0; }
    INT Handle() const { return handle_; }
    void Close() {
        if (IsOpen()) LZClose(handle_);
        handle_ = -1;
    }

private:
    INT handle_;
};

// The file lz32 really opened, as its reopen buffer names it.
std::string OpenedName(const OFSTRUCT& reopen) {
    const char* name = reopen.szPathName;
    return std::string(name, std::find(name, name + OFS_MAXPATHNAME, '\0'));
}

// When lz32 cannot create the name asked for (a file in use or read-only), it
// quietly creates the name with its last character replaced by "_" instead. A copy
// into that file would leave the old program in place to be started.
bool OpenedAsAsked(const OFSTRUCT& reopen, const std::string& path) {
    return CompareNoCase(FileNamePart(OpenedName(reopen)), FileNamePart(path)) == 0;
}

bool CopyThrough(const LzFile& source, const LzFile& destination) {
    try {
        return LZCopy(source.Handle(), destination.Handle()) >= 0;
    } catch (...) {
        return false;  // whatever broke the copy, the user hears of it as a failed copy
    }
}

void ShowDestinationError(const std::string& destination) {
    ShowMessageBox("Error opening destination file " + Quoted(destination), CopyCaption);
}

}  // namespace

bool LzCopyFile(const std::string& source, const std::string& destination) {
    OFSTRUCT reopen = {};
    LzFile input(source, reopen, SourceStyle);
    if (!input.IsOpen()) {
        ShowMessageBox("Error opening source file " + Quoted(source), CopyCaption);
        return false;
    }
    LzFile output(destination, reopen, DestinationStyle);
    if (!output.IsOpen()) {
        ShowDestinationError(destination);
        return false;
    }
    if (!OpenedAsAsked(reopen, destination)) {
        output.Close();
        const std::string stray = OpenedName(reopen);
        if (!DeleteFileA(stray.c_str())) {
            // Nothing more to undo: the box below says the copy did not take place.
        }
        ShowDestinationError(destination);
        return false;
    }
    const bool copied = CopyThrough(input, output);
    if (!copied) {
        ShowMessageBox("Error copying file " + Quoted(source) + " to " + Quoted(destination),
                       CopyCaption);
    }
    return copied;  // the destination closes first, then the source
}
