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
    return m.faults.recycleBinBroken || Fs().refusedRecycle.count(Lower(item)) != 0;
}

// Removable and network drives have no recycle bin, and a full bin takes nothing more.
bool HasRecycleBin(const Location& where) {
    if (M().recycleBinFull || M().recycleBinUnusable) return false;
    return where.drive->type != DRIVE_REMOVABLE && where.drive->type != DRIVE_REMOTE;
}

// The shell's question before it deletes for good what it cannot recycle; true for Yes.
bool ConfirmPermanentDeletion(const std::string& item, bool isFolder) {
    const std::string caption = isFolder ? "Confirm folder deletion" : "Confirm file deletion";
    const std::string text = "Are you sure you want to delete '" + item + "'?";
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONEXCLAMATION) ==
           IDYES;
}

// Wine's delete for good follows a link inside the folder and deletes what the target
// holds.
void DeleteThroughLinks(Node& folder) {
    for (const std::shared_ptr<Node>& child : std::vector<std::shared_ptr<Node>>(folder.children)) {
        std::shared_ptr<Node> target = child->isLink ? child->linkTarget.lock() : child;
        if (!target || !target->IsFolder()) continue;
        DeleteThroughLinks(*target);
        if (target != child) {
            for (const std::shared_ptr<Node>& inside :
                 std::vector<std::shared_ptr<Node>>(target->children)) {
                if (Busy(*inside)) continue;
                Record("delete: " + FullPath(*inside));
                RemoveNode(*inside);
            }
        }
    }
}

// A delete for good, as Wine's shell does it when it cannot recycle: an item that
// cannot go stays, and the shell still answers success.
void DeleteForGood(const std::string& item, Node& node) {
    if (Busy(node)) return;
    if (node.IsFolder()) DeleteThroughLinks(node);
    RemoveNode(node);
    Record("delete: " + item);
}

// Whether the last character (not merely the last byte) is a separator.
bool EndsWithSeparator(const std::string& item) {
    bool separator = false;
    for (size_t i = 0; i < item.size(); ++i) {
        separator = item[i] == '\\' || item[i] == '/';
        if (IsLeadByte(item[i])) ++i;
    }
    return separator;
}

int DeleteItem(const std::string& item, UINT flags, BOOL& aborted) {
    if (item.empty() || EndsWithSeparator(item)) return kInvalidFiles;
    Location where = Locate(item);
    if (where.error == ERROR_NOT_READY) return ERROR_NOT_READY;
    if (where.error == ERROR_PATH_NOT_FOUND && where.drive) return kInvalidFiles;  // no folder
    if (where.error || !where.node) return kNotFound;
    if (!where.parent) return kAccessDenied;  // a drive's root
    // The shell, handed a link, acts on the folder it leads to.
    std::shared_ptr<Node> node = Followed(where.node);
    if (!node || !node->parent) return kNotFound;
    if (WriteProtection(where)) return ERROR_WRITE_PROTECT;
    if (Refused(item)) return kAccessDenied;
    const bool toBin = (flags & FOF_ALLOWUNDO) != 0;
    if (toBin && !HasRecycleBin(where)) {
        if ((flags & FOF_WANTNUKEWARNING) && !ConfirmPermanentDeletion(item, node->IsFolder())) {
            aborted = TRUE;
            return 0;
        }
        DeleteForGood(item, *node);
        return 0;
    }
    if (Busy(*node)) return ERROR_SHARING_VIOLATION;
    RemoveNode(*node);
    if (toBin) M().recycled.push_back(item);
    Record((toBin ? "recycle: " : "delete: ") + item);
    return 0;
}

}  // namespace

}  // namespace winsim

using namespace winsim;

// A full recycle bin still answers, as on Windows; Wine's unusable one does not.
HRESULT WINAPI SHQueryRecycleBinA(LPCSTR rootPath, LPSHQUERYRBINFO information) {
    if (!rootPath || !information) return E_FAIL;
    Location where = Locate(rootPath, false);
    if (where.error || !where.drive || M().recycleBinUnusable) return E_FAIL;
    if (where.drive->type != DRIVE_FIXED) return E_FAIL;
    information->i64Size = 0;
    information->i64NumItems = static_cast<long long>(M().recycled.size());
    return S_OK;
}

int WINAPI SHFileOperationA(LPSHFILEOPSTRUCTA fileOp) {
    if (Faulted("SHFileOperationA", 0)) return ERROR_ACCESS_DENIED;
    if (!fileOp) return ERROR_INVALID_PARAMETER;
    fileOp->fAnyOperationsAborted = FALSE;
    if (fileOp->wFunc != FO_DELETE) return ERROR_INVALID_FUNCTION;  // only deletion is simulated
    std::vector<std::string> items = Items(fileOp->pFrom);
    if (items.empty()) return ERROR_ACCESS_DENIED;
    for (const auto& item : items) {
        int result = DeleteItem(item, fileOp->fFlags, fileOp->fAnyOperationsAborted);
        if (result) return result;
    }
    return 0;
}
