// Injected faults and the count of open handles.
#include <algorithm>

#include "Internal.h"

namespace winsim {

bool Faulted(const char* call, DWORD error) {
    Machine& m = M();
    const long number = ++m.faults.systemCalls;
    const Machine::FaultPlan& plan = m.faults.plan;
    const long numberByName = ++m.faults.callsByName[call];
    const bool named = std::find(plan.calls.begin(), plan.calls.end(), call) != plan.calls.end();
    const auto numbered = plan.numberedCalls.find(call);
    const bool numberedFails = numbered != plan.numberedCalls.end() &&
                               std::find(numbered->second.begin(), numbered->second.end(),
                                         numberByName) != numbered->second.end();
    const bool fails =
        named || numberedFails ||
        (plan.failAt > 0 && (number == plan.failAt || (plan.fromThenOn && number > plan.failAt)));
    if (!fails) return false;
    m.faults.failedCalls.push_back(call);
    if (error) m.lastError = error;
    return true;
}

std::vector<std::string> Machine::OpenHandles() const {
    std::vector<std::string> open;
    const FileSystemState& fs = impl->fs;
    for (const auto& file : fs.files) open.push_back("file " + FullPath(*file.second.node));
    for (size_t i = 0; i < fs.finds.size(); ++i) open.push_back("search");
    for (const auto& key : impl->registry.keys)
        open.push_back("key " + RootName(key.second->root) + "\\" + key.second->node->name);
    for (size_t i = 0; i < fs.processHandles.size(); ++i) open.push_back("process");
    for (size_t i = 0; i < impl->registry.tokens.size(); ++i) open.push_back("token");
    for (size_t i = 0; i < impl->registry.sids.size(); ++i) open.push_back("sid");
    for (size_t i = 0; i < fs.lzFiles.size(); ++i) open.push_back("lz");
    for (const auto& library : fs.libraries) open.push_back("library " + library);
    return open;
}

}  // namespace winsim
