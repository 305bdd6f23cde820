// The journal that makes every change of the store atomic: stage, set aside, record the intent, move into place, clean up.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "daemon/asset_record.h"
#include "daemon/store_test_points.h"
#include "kuid/kuid.h"

class KADStoreConnection;

// One change of an asset's folders and row.
struct KADAssetChange {
    const char* kind = "";  // "install", "edit", "commit", "revert", "delete"; names the crash points
    KUID id;
    // The folder moved into place at destination; empty: none. A staged
    // folder lies beside its destination; any other (a commit's edit copy)
    // is first brought beside it, by a rename or, from another file system,
    // by a flushed copy.
    std::string source;
    std::string destination;
    // Folders that leave their place: set aside (renamed in place) before
    // the change is recorded, so that a folder that cannot move stops the
    // change while nothing is changed yet; into the trash only once the new
    // folder is in place.
    std::vector<std::string> old;
};

struct KADChangeResult {
    bool done = false;
    // Why the change was not made (a sentence); every folder and row is as
    // it was, or the journal puts them back at the next start.
    std::string error;
    // The change was made, but a folder it replaced could not go to the
    // trash yet: the journal keeps it and the next start tries again.
    std::string warning;
};

// Records a staging folder before anything is written into it, so that a
// crash while staging leaves a row that the next start rolls back (the
// folder goes to the trash). Returns the journal id, 0 on failure.
std::int64_t KADBeginAssetChange(KADStoreConnection& connection, const KADAssetChange& change);
// Completes a change begun with KADBeginAssetChange (journal id) or, with
// journal id 0, one that staged nothing. First the folders that move are
// brought beside their destination or set aside, each step recorded before
// it is taken so that a crash puts them back; then one transaction makes
// the journal row the intent and updateRows changes the index: from then
// on the change always completes (a crash is finished at the next start).
// Then the move into place, the old folders to the trash and the journal
// row removed. On any failure before the move into place is done,
// everything is put back (the staged folder to the trash), the row as
// previous was (none: removed). The journal knows nothing of the store's
// mirror: KADAssetStore::CommitChange runs this and then refreshes it.
KADChangeResult KADCommitAssetChange(const std::string& userDataRoot, KADStoreConnection& connection,
                                     std::int64_t journalId, const KADAssetChange& change,
                                     const std::optional<KADAssetRecord>& previous,
                                     const std::function<bool()>& updateRows);
// Gives up a begun change: its staged folder goes to the trash.
void KADAbandonAssetChange(const std::string& userDataRoot, KADStoreConnection& connection, std::int64_t journalId,
                           const KADAssetChange& change);
// At start: rolls every journal row forward (intent) or back (not yet
// recorded). A row whose folders cannot be moved now stays for the next
// start; false only when the journal itself cannot be read or written.
bool KADRecoverAssetChanges(const std::string& userDataRoot, KADStoreConnection& connection);
