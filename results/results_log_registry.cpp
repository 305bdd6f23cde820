// The transaction-id to results-log map and its lock.
#include "results/results_log_registry.h"

#include <map>
#include <mutex>

#include "results/results_log.h"

namespace {

struct Registry {
    // Recursive: a log read under ReadInto may be destroyed by a listener
    // that it notifies, and its destructor removes it from this map.
    std::recursive_mutex lock;
    std::map<int32_t, ResultsLog*> logs;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

}  // namespace

void ResultsLogRegistry::Register(int32_t transactionId, ResultsLog* log)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::recursive_mutex> hold(registry.lock);
    registry.logs[transactionId] = log;
}

ResultsLog* ResultsLogRegistry::Find(int32_t transactionId)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::recursive_mutex> hold(registry.lock);
    auto found = registry.logs.find(transactionId);
    return found == registry.logs.end() ? nullptr : found->second;
}

void ResultsLogRegistry::Unregister(int32_t transactionId)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::recursive_mutex> hold(registry.lock);
    registry.logs.erase(transactionId);
}

void ResultsLogRegistry::UnregisterLog(const ResultsLog* log)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::recursive_mutex> hold(registry.lock);
    std::erase_if(registry.logs, [log](const auto& entry) { return entry.second == log; });
}

bool ResultsLogRegistry::ReadInto(int32_t transactionId, TBuffer& buffer)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::recursive_mutex> hold(registry.lock);
    auto found = registry.logs.find(transactionId);
    if (found == registry.logs.end()) {
        ResultsLog discarded;
        discarded.ReadFrom(buffer);
        return false;
    }
    found->second->ReadFrom(buffer);
    return true;
}
