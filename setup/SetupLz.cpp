// Copying one file through lz32: a compressed source is written out expanded, any
// other source unchanged.
// clang-format off
#include <windows.h>
#include <lzexpand.h>  // needs the types of windows.h
// clang-format on

#include "SetupLz.h"

#include <algorithm>
#include <string>

#include "Tools.h"
#include "WinSys.h"
#include "WinSysFiles.h"

namespace {

const WORD SourceStyle = OF_READ | OF_SHARE_DENY_WRITE;                   // 32
const WORD DestinationStyle = OF_CREATE | OF_SHARE_EXCLUSIVE | OF_WRITE;  // 4113
const char* const CopyCaption = "CopyFile";
const char* const LzLibraryName = "lz32.dll";

typedef INT(WINAPI* LzOpenFunction)(LPSTR, LPOFSTRUCT, WORD);
typedef LONG(WINAPI* LzCopyFunction)(INT, INT);
typedef void(WINAPI* LzCloseFunction)(INT);

// lz32, loaded from the system folder by its full path while a copy runs. It is not
// one of the libraries Windows always takes from the system folder, so importing it
// (or loading it by its bare name) would run an lz32.dll planted beside the program.
class LzLibrary {
public:
    LzLibrary()
        : path_(SystemLibraryPath(LzLibraryName)),
          module_(path_.empty() ? nullptr : LoadLibraryA(path_.c_str())),
          error_(module_.IsLoaded() ? 0 : GetLastError()),
          Open(SystemFunction<LzOpenFunction>(module_.Get(), "LZOpenFileA")),
          Copy(SystemFunction<LzCopyFunction>(module_.Get(), "LZCopy")),
          Close(SystemFunction<LzCloseFunction>(module_.Get(), "LZClose")) {}
    LzLibrary(const LzLibrary&) = delete;
    LzLibrary& operator=(const LzLibrary&) = delete;

    bool IsReady() const { return Open && Copy && Close; }
    // What the user is told when it is not.
    std::string Failure() const {
        const std::string reason = SystemMessage(error_ != 0 ? error_ : ERROR_PROC_NOT_FOUND);
        return "Error loading the system's LZ library " + Quoted(path_) +
               (reason.empty() ? "" : ". " + reason);
    }

private:
    const std::string path_;
    const LoadedLibrary module_;
    const DWORD error_;

public:
    const LzOpenFunction Open;
    const LzCopyFunction Copy;
    const LzCloseFunction Close;
};

// A file opened with LZOpenFileA. lz32 answers a failed open with a negative
// error code, never a handle, so no negative value is ever closed.
class LzFile {
public:
    LzFile(const LzLibrary& lz, const std::string& path, OFSTRUCT& reopen, WORD style)
        : lz_(lz), handle_(-1) {
        std::string name = path;  // LZOpenFileA takes a writable name
        handle_ = lz_.Open(&name[0], &reopen, style);
    }
    ~LzFile() { Close(); }
    LzFile(const LzFile&) = delete;
    LzFile& operator=(const LzFile&) = delete;

    bool IsOpen() const { return handle_ >= 0; }
    INT Handle() const { return handle_; }
    void Close() {
        if (IsOpen()) lz_.Close(handle_);
        handle_ = -1;
    }

private:
    const LzLibrary& lz_;
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

// The name lz32 falls back on for a destination it cannot create.
std::string FallbackName(const std::string& path) {
    std::string name = path;
    if (!name.empty()) name.back() = '_';
    return name;
}

bool CopyThrough(const LzLibrary& lz, const LzFile& source, const LzFile& destination) {
    try {
        return lz.Copy(source.Handle(), destination.Handle()) >= 0;
    } catch (...) {
        return false;  // whatever broke the copy, the user hears of it as a failed copy
    }
}

void ShowDestinationError(const std::string& destination) {
    ShowMessageBox("Error opening destination file " + Quoted(destination), CopyCaption);
}

}  // namespace

bool LzCopyFile(const std::string& source, const std::string& destination) {
    const LzLibrary lz;  // declared first: freed after both files are closed
    if (!lz.IsReady()) {
        ShowMessageBox(lz.Failure(), CopyCaption);
        return false;
    }
    OFSTRUCT reopen = {};
    LzFile input(lz, source, reopen, SourceStyle);
    if (!input.IsOpen()) {
        ShowMessageBox("Error opening source file " + Quoted(source), CopyCaption);
        return false;
    }
    // A file that already bears the fall-back name belongs to someone else (or is a
    // link to someone else's file): it is never deleted below.
    const bool fallbackExisted = FileIsPresent(FallbackName(destination));
    LzFile output(lz, destination, reopen, DestinationStyle);
    if (!output.IsOpen()) {
        ShowDestinationError(destination);
        return false;
    }
    if (!OpenedAsAsked(reopen, destination)) {
        output.Close();
        const std::string stray = OpenedName(reopen);
        // Nothing more to undo when this fails: the box below says the copy did not take place.
        if (!fallbackExisted) IgnoreResult(DeleteFileA(stray.c_str()));
        ShowDestinationError(destination);
        return false;
    }
    const bool copied = CopyThrough(lz, input, output);
    if (!copied) {
        ShowMessageBox("Error copying file " + Quoted(source) + " to " + Quoted(destination),
                       CopyCaption);
    }
    return copied;  // the destination closes first, then the source
}
