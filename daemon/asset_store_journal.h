// The journal that makes every change of the store atomic: stage, record the intent, rename, clean up.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "soup/kuid/kuid.h"

class KadAssetStore;
class KadStoreConnection;

// One change of an asset's folders and row.
struct KadAssetChange {
    const char* kind = "";       // "install", "edit", "commit", "revert", "delete"; names the crash points
    KUID id;
    std::string source;          // the staged (or edit) folder moved into place; empty: none
    std::string destination;     // where source goes
    std::vector<std::string> old;  // folders that go to the trash afterwards
};

// Records a staging folder before anything is written into it, so that a
// crash while staging leaves a row that the next start rolls back (the
// folder goes to the trash). Returns the journal id, 0 on failure.
std::int64_t KadBeginAssetChange(KadStoreConnection& connection, const KadAssetChange& change);
// Completes a change begun with KadBeginAssetChange (journal id) or, with
// journal id 0, one that staged nothing: in one transaction the journal
// row becomes the intent {source, destination, old} and updateRows changes
// the index; from then on the change always completes (a crash is finished
// at the next start). Then the rename, the old folders to the trash, the
// journal row removed and the mirror refreshed. False (nothing changed,
// the staged folder in the trash) when the transaction fails.
bool KadCommitAssetChange(KadAssetStore& store, KadStoreConnection& connection, std::int64_t journalId,
                          const KadAssetChange& change, const std::function<bool()>& updateRows);
// Gives up a begun change: its staged folder goes to the trash.
void KadAbandonAssetChange(KadAssetStore& store, KadStoreConnection& connection, std::int64_t journalId,
                           const KadAssetChange& change);
// At start: rolls every journal row forward (intent) or back (staging only).
bool KadRecoverAssetChanges(const std::string& userDataRoot, KadStoreConnection& connection);

// Test builds: ends the process at once when KAD_TEST_CRASH_AT names
// "<kind>.<step>", as a crash at that point would.
void KadAssetCrashPoint(const char* kind, const char* step);
