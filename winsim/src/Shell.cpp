// The shell's file operation: deletion, to the recycle bin or for good.
#include <shellapi.h>

#include <cstring>

#include "Internal.h"

namespace winsim {

namespace {

// The shell's own answers (not Win32 error codes) for refused items.
const int kAccessDenied = 0x78;  // DE_ACCESSDENIEDSRC
const int kInvalidFiles = 0x7C;  // DE_INVALIDFILES
const int kNotFound = 2;

std::vector<std::string> Items(const char* list) {
    std::vector<std::string> items;
    for (const char* p = list; p && *p; p += std::strlen(p) + 1) items.push_back(p);
    return items;
}

bool Refused(const std::string& item) {
    const Machine& m = M();
    return m.recycleBinBroken || Fs().refusedRecycle.count(Lower(item)) != 0;
}

int DeleteItem(const std::string& item, bool toBin) {
    if (item.empty() || item.back() == '\\' || item.back() == '/') return kInvalidFiles;
    Location where = Locate(item);
    if (where.error == ERROR_NOT_READY) return ERROR_NOT_READY;
    if (where.error == ERROR_PATH_NOT_FOUND && where.drive) return kInvalidFiles;  // no folder
    if (where.error || !where.node) return kNotFound;
    if (!where.parent) return kAccessDenied;  // a drive's root
    if (WriteProtection(where)) return ERROR_WRITE_PROTECT;
    if (Refused(item)) return kAccessDenied;
    if (Busy(*where.node)) return ERROR_SHARING_VIOLATION;
    RemoveNode(*where.node);
    if (toBin) M().recycled.push_back(item);
    Record((toBin ? "recycle: " : "delete: ") + item);
    return 0;
}

}  // namespace

}  // namespace winsim

using namespace winsim;

int WINAPI SHFileOperationA(LPSHFILEOPSTRUCTA fileOp) {
    if (Faulted("SHFileOperationA", 0)) return ERROR_ACCESS_DENIED;
    if (!fileOp) return ERROR_INVALID_PARAMETER;
    fileOp->fAnyOperationsAborted = FALSE;
    if (fileOp->wFunc != FO_DELETE) return ERROR_INVALID_FUNCTION;  // only deletion is simulated
    std::vector<std::string> items = Items(fileOp->pFrom);
    if (items.empty()) return ERROR_ACCESS_DENIED;
    bool toBin = (fileOp->fFlags & FOF_ALLOWUNDO) != 0;
    for (const auto& item : items) {
        int result = DeleteItem(item, toBin);
        if (result) return result;
    }
    return 0;
}
