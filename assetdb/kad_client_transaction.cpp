// The transaction map: ids, registration of results logs, waking and aborting requesters.
#include "assetdb/kad_client_transaction.h"

#include "foundation/base/logging.h"
#include "results/results_log_registry.h"

#include <map>
#include <mutex>

namespace {

struct TransactionMap {
    std::mutex lock;
    std::map<int32_t, KADClientTransaction*> waiting;
    uint32_t nextID = 1;
};

TransactionMap& Map()
{
    static TransactionMap map;
    return map;
}

// Removes the entry and, unless kept, the log's registration; the map lock is held.
void ForgetLocked(TransactionMap& map, KADClientTransaction& transaction)
{
    if (!transaction.registered)
        return;
    map.waiting.erase(transaction.clientTransactionID);
    transaction.registered = false;
    if (transaction.resultsLog && !transaction.keepResultsLog)
        ResultsLogRegistry::Unregister(transaction.clientTransactionID);
}

}  // namespace

void BeginTransaction(KADClientTransaction& transaction)
{
    TransactionMap& map = Map();
    std::lock_guard<std::mutex> guard(map.lock);
    transaction.clientTransactionID = static_cast<int32_t>(map.nextID);
    // After -1 comes 1: the daemon never sees the id 0.
    map.nextID += 1;
    if (map.nextID == 0)
        map.nextID = 1;
    map.waiting[transaction.clientTransactionID] = &transaction;
    transaction.registered = true;
    if (transaction.resultsLog)
        ResultsLogRegistry::Register(transaction.clientTransactionID, transaction.resultsLog);
}

void EndTransaction(KADClientTransaction& transaction)
{
    TransactionMap& map = Map();
    std::lock_guard<std::mutex> guard(map.lock);
    ForgetLocked(map, transaction);
}

bool ReceiveTransactionReply(int32_t clientTransactionID, uint64_t generation)
{
    TransactionMap& map = Map();
    std::lock_guard<std::mutex> guard(map.lock);
    auto found = map.waiting.find(clientTransactionID);
    if (found == map.waiting.end()) {
        LogMessage("KADClientTransaction::ReceiveReply> received reply for unknown clientTransactionID=%d",
                   clientTransactionID);
        return false;
    }
    KADClientTransaction& transaction = *found->second;
    ForgetLocked(map, transaction);
    transaction.aborted = false;
    transaction.replyGeneration = generation;
    transaction.wake.Set();
    return true;
}

void AbortAllTransactions()
{
    TransactionMap& map = Map();
    std::lock_guard<std::mutex> guard(map.lock);
    for (auto& entry : map.waiting) {
        entry.second->aborted = true;
        entry.second->wake.Set();
    }
}

bool FindTransactionPromptHandler(int32_t clientTransactionID, KADPromptHandler*& handler)
{
    TransactionMap& map = Map();
    std::lock_guard<std::mutex> guard(map.lock);
    auto found = map.waiting.find(clientTransactionID);
    if (found == map.waiting.end())
        return false;
    handler = found->second->promptHandler;
    return true;
}

void SetNextTransactionIDForTesting(int32_t id)
{
    std::lock_guard<std::mutex> guard(Map().lock);
    Map().nextID = static_cast<uint32_t>(id == 0 ? 1 : id);
}

int32_t PeekNextTransactionIDForTesting()
{
    std::lock_guard<std::mutex> guard(Map().lock);
    return static_cast<int32_t>(Map().nextID);
}

size_t GetWaitingTransactionCountForTesting()
{
    std::lock_guard<std::mutex> guard(Map().lock);
    return Map().waiting.size();
}
