// The registry, access tokens and other system state of the simulated machine.
#ifndef WINSIM_REGISTRY_H
#define WINSIM_REGISTRY_H

#include <winsim/Machine.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace winsim {
struct RegValue {
    std::string name;  // as first written
    DWORD type = REG_NONE;
    std::string data;  // the raw bytes
};

// One key. Children and values are keyed by their lower-cased names, which is
// also the order in which the system enumerates them.
struct RegNode {
    std::string name;  // as created
    RegNode* parent = nullptr;
    bool isProtected = false;  // readable, but neither it nor anything below may change
    bool deleted = false;      // handles to a deleted key stay valid but fail
    std::map<std::string, std::shared_ptr<RegNode>> children;
    std::map<std::string, RegValue> values;
};

struct KeyHandle {
    HKEY root;
    std::shared_ptr<RegNode> node;
    REGSAM access;
};

struct TokenHandle {
    std::vector<TokenGroup> groups;
    DWORD access;
    int informationCalls = 0;  // GetTokenInformation calls made on this handle
};

struct RegistryState {
    std::map<HKEY, std::shared_ptr<RegNode>> roots;
    std::map<HKEY, std::unique_ptr<KeyHandle>> keys;  // open handles by value
    std::map<HANDLE, std::unique_ptr<TokenHandle>> tokens;
    std::map<PVOID, std::unique_ptr<BYTE[]>> sids;  // freed with the machine at the latest
    LPTOP_LEVEL_EXCEPTION_FILTER exceptionFilter = nullptr;
};

}  // namespace winsim

#endif
