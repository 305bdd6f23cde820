// KADClientTransaction: one request's wait for its reply, and the map of waiting transactions.
#pragma once

#include <cstdint>

#include "zel/wevent.h"

class KADPromptHandler;
class ResultsLog;

struct KADClientTransaction {
    KADClientTransaction(KADPromptHandler* handler, ResultsLog* log, bool keepLog)
        : promptHandler(handler), keepResultsLog(keepLog), resultsLog(log)
    {}

    int32_t clientTransactionID = 0;
    // Set when the reply has arrived or the connection failed.
    Zel::WEvent wake{true, false};
    KADPromptHandler* promptHandler = nullptr;
    bool keepResultsLog = false;
    bool registered = false;
    bool aborted = false;
    ResultsLog* resultsLog = nullptr;
    // The connection whose reader woke this transaction.
    uint64_t replyGeneration = 0;
};

// Takes the next id (1 upward, never 0), enters the transaction in the map and
// registers its results log under that id.
void BeginTransaction(KADClientTransaction& transaction);
// Leaves the map; unless kept, the results log is unregistered.
void EndTransaction(KADClientTransaction& transaction);
// The reader found a reply: the transaction leaves the map and is woken.
// False for an id nobody waits for.
bool ReceiveTransactionReply(int32_t clientTransactionID, uint64_t generation);
// The connection failed: every waiting transaction is marked aborted and woken.
void AbortAllTransactions();
// The prompt handler of a waiting transaction; false when the id is unknown.
bool FindTransactionPromptHandler(int32_t clientTransactionID, KADPromptHandler*& handler);

// Test seams: the id the next request takes, and the number of waiting transactions.
void SetNextTransactionIDForTesting(int32_t id);
int32_t PeekNextTransactionIDForTesting();
size_t GetWaitingTransactionCountForTesting();
