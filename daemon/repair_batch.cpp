// The repair's writes: many rows per transaction, one savepoint per row, follow-up work only after the commit.
#include "daemon/repair_batch.h"

#include <utility>

#include "results/results_log.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store_rows.h"
#include "daemon/store_connection.h"
#include "daemon/store_test_points.h"

KADRepairBatch::KADRepairBatch(KADAssetStore& store, KADStoreConnection& connection, ResultsLog& log,
                               std::size_t batchSize, std::string failureLead)
    : store(store),
      connection(connection),
      log(log),
      batchSize(batchSize == 0 ? 1 : batchSize),
      failureLead(std::move(failureLead))
{}

KADRepairBatch::~KADRepairBatch()
{
    Flush();
}

void KADRepairBatch::Save(const KADAssetRecord& record, AfterCommit afterCommit)
{
    queued.push_back(Change{record, false, std::move(afterCommit)});
    if (queued.size() >= batchSize)
        Flush();
}

void KADRepairBatch::Delete(const KUID& id, AfterCommit afterCommit)
{
    KADAssetRecord record;
    record.id = id;
    queued.push_back(Change{std::move(record), true, std::move(afterCommit)});
    if (queued.size() >= batchSize)
        Flush();
}

bool KADRepairBatch::Write(const Change& change)
{
    if (!connection.Exec("SAVEPOINT repair_row"))
        return false;
    bool written =
        change.remove ? KADDeleteAssetRow(connection, change.record.id) : KADSaveAssetRow(connection, change.record);
    if (!written)
        connection.Exec("ROLLBACK TO repair_row");
    // RELEASE after ROLLBACK TO ends the savepoint without undoing the
    // rows written before it.
    return connection.Exec("RELEASE repair_row") && written;
}

void KADRepairBatch::Fail(const Change& change, const char* why)
{
    std::string text = failureLead + KADAssetKey(change.record.id) + ": " + why;
    log.AddMessage(ResultsLog::MessageKind::Error, text.c_str());
}

void KADRepairBatch::Flush()
{
    if (queued.empty())
        return;
    std::vector<Change> changes;
    changes.swap(queued);
    if (!connection.Exec("BEGIN IMMEDIATE")) {
        for (const Change& change : changes)
            Fail(change, "the database entry cannot be written");
        return;
    }
    std::vector<bool> written(changes.size(), false);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        written[i] = Write(changes[i]);
        if (!written[i])
            Fail(changes[i],
                 changes[i].remove ? "the database entry cannot be removed" : "the database entry cannot be written");
    }
    if (!connection.Exec("COMMIT")) {
        connection.Exec("ROLLBACK");
        for (std::size_t i = 0; i < changes.size(); ++i) {
            if (written[i])
                Fail(changes[i], "the database entry cannot be written");
        }
        return;
    }
    KADAssetCrashPoint("repair", "batch");
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (!written[i])
            continue;
        if (changes[i].remove)
            store.DropFromMirror(changes[i].record.id);
        else
            store.PutInMirror(changes[i].record);
        if (changes[i].afterCommit)
            changes[i].afterCommit();
    }
}
