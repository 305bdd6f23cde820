// The repair's writes: many rows per transaction, one savepoint per row, follow-up work only after the commit.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "daemon/asset_store.h"

class KADStoreConnection;
class ResultsLog;

// A repair may touch every row of a large store; a transaction (and so a
// flush to disk) per row made it many times slower than the walk itself.
// Rows queue up here and go to the index in transactions of up to
// `batchSize` rows. Each row is written under a savepoint of its own, so a
// row the index refuses costs that row (an error line) and not the batch;
// a row and its dependency lists are one savepoint, so they are committed
// together. What must not happen before a row is durable (moving an older
// revision to the trash, the line that says the row was mended) is queued
// with the row and runs after the commit; a crash before it leaves the
// previous state, which the next repair finds and mends again.
class KADRepairBatch {
public:
    // A refused row is the line "<failureLead><asset>: <why>"; the lead names
    // the work the row belonged to, as the requester knows it.
    KADRepairBatch(KADAssetStore& store, KADStoreConnection& connection, ResultsLog& log, std::size_t batchSize,
                   std::string failureLead = "Cannot repair ");
    ~KADRepairBatch();
    KADRepairBatch(const KADRepairBatch&) = delete;
    KADRepairBatch& operator=(const KADRepairBatch&) = delete;

    using AfterCommit = std::function<void()>;
    // Inserts or replaces the row (with its lists).
    void Save(const KADAssetRecord& record, AfterCommit afterCommit);
    void Delete(const KUID& id, AfterCommit afterCommit);
    // Writes what is queued; the batch is written by itself when full.
    void Flush();

private:
    struct Change {
        KADAssetRecord record;
        bool remove = false;
        AfterCommit afterCommit;
    };
    bool Write(const Change& change);
    void Fail(const Change& change, const char* why);

    KADAssetStore& store;
    KADStoreConnection& connection;
    ResultsLog& log;
    std::size_t batchSize;
    std::string failureLead;
    std::vector<Change> queued;
};
