// The registry of the simulated machine (security part).
#ifndef WINSIM_REGISTRY_H
#define WINSIM_REGISTRY_H

namespace winsim {

struct RegistryState {};

}  // namespace winsim

#endif
