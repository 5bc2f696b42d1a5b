// lz32 over the machine's files: SZDD sources are expanded by libmspack, any other
// source is copied unchanged.
#include <lzexpand.h>
#include <mspack.h>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "Internal.h"

namespace winsim {

namespace {

const char kSzddMagic[] = "SZDD\x88\xf0\x27\x33";
const size_t kSzddMagicSize = 8;

// libmspack reads and writes through this system: "in" is the source bytes, "out" the
// expanded bytes.
struct MemorySystem {
    mspack_system base;  // first member: libmspack hands back a pointer to it
    const std::string* input;
    std::string output;
};

struct MemoryFile {
    MemorySystem* system;
    bool isOutput;
    size_t position;
};

MemoryFile* AsFile(mspack_file* file) { return reinterpret_cast<MemoryFile*>(file); }

mspack_file* MemOpen(mspack_system* self, const char* name, int mode) {
    bool output = std::strcmp(name, "out") == 0;
    if (output != (mode == MSPACK_SYS_OPEN_WRITE)) return nullptr;
    auto* file = new MemoryFile{reinterpret_cast<MemorySystem*>(self), output, 0};
    return reinterpret_cast<mspack_file*>(file);
}

void MemClose(mspack_file* file) { delete AsFile(file); }

int MemRead(mspack_file* handle, void* buffer, int bytes) {
    MemoryFile* file = AsFile(handle);
    if (file->isOutput || bytes < 0) return -1;
    const std::string& in = *file->system->input;
    size_t left = file->position < in.size() ? in.size() - file->position : 0;
    size_t n = std::min(left, static_cast<size_t>(bytes));
    if (n) std::memcpy(buffer, in.data() + file->position, n);
    file->position += n;
    return static_cast<int>(n);
}

int MemWrite(mspack_file* handle, void* buffer, int bytes) {
    MemoryFile* file = AsFile(handle);
    if (!file->isOutput || bytes < 0) return -1;
    file->system->output.append(static_cast<const char*>(buffer), static_cast<size_t>(bytes));
    return bytes;
}

int MemSeek(mspack_file* handle, off_t offset, int mode) {
    MemoryFile* file = AsFile(handle);
    off_t size = static_cast<off_t>(file->isOutput ? file->system->output.size()
                                                   : file->system->input->size());
    off_t base = mode == MSPACK_SYS_SEEK_START ? 0
                 : mode == MSPACK_SYS_SEEK_CUR ? static_cast<off_t>(file->position)
                                               : size;
    if (base + offset < 0 || base + offset > size) return -1;
    file->position = static_cast<size_t>(base + offset);
    return 0;
}

off_t MemTell(mspack_file* handle) { return static_cast<off_t>(AsFile(handle)->position); }

void MemMessage(mspack_file*, const char*, ...) {}

void* MemAlloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }

void MemFree(void* p) { std::free(p); }

void MemCopy(void* src, void* dest, size_t bytes) { std::memmove(dest, src, bytes); }

LONG ErrorOf(int mspackError) {
    switch (mspackError) {
        case MSPACK_ERR_READ:
            return LZERROR_READ;
        case MSPACK_ERR_WRITE:
            return LZERROR_WRITE;
        case MSPACK_ERR_NOMEMORY:
            return LZERROR_GLOBALLOC;
        default:
            return LZERROR_BADVALUE;
    }
}

// Expands an SZDD file. Like Wine's lz32, the data decides where the output ends, not
// the length in the header: data cut short expands as far as it goes.
LONG Expand(const std::string& in, std::string& out) {
    MemorySystem system{};
    system.base = {MemOpen,    MemClose, MemRead, MemWrite, MemSeek, MemTell,
                   MemMessage, MemAlloc, MemFree, MemCopy,  nullptr};
    system.input = &in;
    int selfTest = MSPACK_ERR_OK;
    MSPACK_SYS_SELFTEST(selfTest);
    if (selfTest != MSPACK_ERR_OK) return LZERROR_GLOBALLOC;
    msszdd_decompressor* decompressor = mspack_create_szdd_decompressor(&system.base);
    if (!decompressor) return LZERROR_GLOBALLOC;
    int error = decompressor->decompress(decompressor, "in", "out");
    mspack_destroy_szdd_decompressor(decompressor);
    out = system.output;
    return error == MSPACK_ERR_OK ? 0 : ErrorOf(error);
}

// The 14-byte SZDD header: magic, method, last character, expanded length.
const size_t kSzddHeaderSize = 14;

bool HasSzddHeader(const std::string& data) {
    return data.size() >= kSzddHeaderSize && data.compare(0, kSzddMagicSize, kSzddMagic) == 0;
}

// lz32 also opens a name with the last character of its extension replaced by "_"
// (or "._" appended when it has none), where compressed files keep their names.
std::string MangledName(const std::string& name) {
    std::string mangled = name;
    size_t slash = mangled.rfind('\\');
    size_t dot = mangled.find('.', slash == std::string::npos ? 0 : slash);
    if (dot == std::string::npos) return mangled + "._";
    if (mangled.size() - dot - 1 < 3)
        mangled += "_";
    else
        mangled.back() = '_';
    return mangled;
}

LzFile* LzOf(INT handle) {
    auto it = Fs().lzFiles.find(handle);
    return it == Fs().lzFiles.end() ? nullptr : &it->second;
}

DWORD ShareOf(WORD style) {
    switch (style & 0x70) {
        case OF_SHARE_EXCLUSIVE:
            return 0;
        case OF_SHARE_DENY_WRITE:
            return FILE_SHARE_READ;
        case 0x30:  // OF_SHARE_DENY_READ
            return FILE_SHARE_WRITE;
        default:
            return FILE_SHARE_READ | FILE_SHARE_WRITE;
    }
}

DWORD AccessOf(WORD style) {
    // A file created is opened for reading and writing whatever the style says.
    if (style & (OF_READWRITE | OF_CREATE)) return GENERIC_READ | GENERIC_WRITE;
    if (style & OF_WRITE) return GENERIC_WRITE;
    return GENERIC_READ;
}

void FillReopenBuffer(LPOFSTRUCT reOpen, const char* fileName, DWORD error) {
    if (!reOpen) return;
    std::memset(reOpen, 0, sizeof *reOpen);
    reOpen->cBytes = static_cast<BYTE>(sizeof *reOpen);
    reOpen->nErrCode = static_cast<WORD>(error);
    Location where = Locate(fileName, false);
    reOpen->fFixedDisk = where.drive && where.drive->type != DRIVE_REMOVABLE;
    std::string full = where.node ? FullPath(*where.node) : fileName;
    std::strncpy(reOpen->szPathName, full.c_str(), OFS_MAXPATHNAME - 1);
}

bool ReadAll(HANDLE file, std::string& out) {
    char buffer[4096];
    DWORD read = 0;
    do {
        if (!ReadFile(file, buffer, sizeof buffer, &read, nullptr)) return false;
        out.append(buffer, read);
    } while (read > 0);
    return true;
}

}  // namespace

}  // namespace winsim

using namespace winsim;

namespace winsim {
namespace {

HANDLE OpenForLz(const std::string& name, LPOFSTRUCT reOpen, WORD style) {
    bool creates = (style & OF_CREATE) != 0;
    HANDLE file =
        CreateFileA(name.c_str(), AccessOf(style), ShareOf(style), nullptr,
                    creates ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    // As Wine's: a name to read is looked for first, and a name not found is a file not
    // found even where its folder is missing.
    if (file == INVALID_HANDLE_VALUE && !creates && M().lastError == ERROR_PATH_NOT_FOUND)
        M().lastError = ERROR_FILE_NOT_FOUND;
    FillReopenBuffer(reOpen, name.c_str(), file == INVALID_HANDLE_VALUE ? M().lastError : 0);
    return file;
}

}  // namespace
}  // namespace winsim

// As Wine's: a name that cannot be opened is tried once more under its compressed
// name, for reading and for creating alike; the reopen buffer names the file opened.
INT WINAPI LZOpenFileA(LPSTR fileName, LPOFSTRUCT reOpen, WORD style) {
    if (!fileName) return LZERROR_BADINHANDLE;
    for (const auto& forced : M().faults.lzOpenResults) {
        if (Lower(forced.first) == Lower(fileName)) {
            FillReopenBuffer(reOpen, fileName, 0);
            return forced.second;
        }
    }
    HANDLE file = OpenForLz(fileName, reOpen, style);
    if (file == INVALID_HANDLE_VALUE) file = OpenForLz(MangledName(fileName), reOpen, style);
    if (file == INVALID_HANDLE_VALUE) return LZERROR_BADINHANDLE;
    INT handle = Fs().nextLz++;
    Fs().lzFiles[handle].file = file;
    return handle;
}

LONG WINAPI LZCopy(INT source, INT destination) {
    LzFile* in = LzOf(source);
    if (!in) return LZERROR_BADINHANDLE;
    LzFile* out = LzOf(destination);
    if (!out) return LZERROR_BADOUTHANDLE;
    std::string data;
    if (!ReadAll(in->file, data)) return LZERROR_READ;
    std::string expanded;
    LONG result = 0;
    if (!HasSzddHeader(data))
        expanded = data;  // not compressed, or a header cut short: copied as it is
    else if (data[kSzddMagicSize] != 'A')
        return 0;  // an unknown method: Wine copies nothing and answers 0
    else
        result = Expand(data, expanded);
    DWORD written = 0;
    BOOL wrote = WriteFile(out->file, expanded.data(), static_cast<DWORD>(expanded.size()),
                           &written, nullptr);
    if (result < 0) return result;
    if (!wrote || written != expanded.size()) return LZERROR_WRITE;
    return static_cast<LONG>(written);
}

void WINAPI LZClose(INT file) {
    LzFile* lz = LzOf(file);
    if (!lz) return;
    CloseHandle(lz->file);
    Fs().lzFiles.erase(file);
}
