// Access tokens and security identifiers of the simulated machine.
#include "Internal.h"

namespace winsim {

bool CloseTokenHandle(HANDLE handle) {
    auto& tokens = M().impl->registry.tokens;
    if (handle == GetCurrentProcess() || handle == GetCurrentThread()) return true;
    auto it = tokens.find(handle);
    if (it == tokens.end()) return false;
    tokens.erase(it);
    --M().openTokenHandles;
    return true;
}

}  // namespace winsim

HANDLE WINAPI GetCurrentProcess(void) {
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

HANDLE WINAPI GetCurrentThread(void) { return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)); }
