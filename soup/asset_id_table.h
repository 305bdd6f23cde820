// Asset-id sets and the numbered id tables of configs and archives ("kuid-table", "obsolete-table", "contents-table").
#pragma once

#include <cstdint>
#include <unordered_set>

#include "foundation/containers/chunked_list.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"

class CDPAssetEntry;

// An id set that keeps insertion order. The null id is never added. The
// ordered list decides every visible order; the hash index beside it only
// answers "is it there" so that large archives do not cost a list search per
// add.
class KUIDSet {
public:
    using List = ChunkedList<KUID, 128>;

    // False when the id is null or already present.
    bool Add(const KUID& id);
    bool Contains(const KUID& id) const { return index_.count(id) != 0; }
    // Ordered removal: the rest keeps its order.
    void RemoveOrdered(const KUID& id);
    // Fast removal: the last id of the hole's block moves into the hole.
    void RemoveFast(const KUID& id);
    void Clear();
    int64_t Count() const { return int64_t(index_.size()); }
    bool IsEmpty() const { return index_.empty(); }

    List::ConstIterator begin() const { return list_.begin(); }
    List::ConstIterator end() const { return list_.end(); }

private:
    List list_;
    std::unordered_set<KUID> index_;
};

// Adds the value of each tag of the table, read as an asset id (leniently:
// an int n gives (-1, n, 127)), in index order. Tag names are not examined.
void ReadKUIDSetSoup(const SoupHandle& table, KUIDSet& set);
// A new table: the ids as asset-id tags "0", "1", ...; an empty set gives
// the null soup (stored, it becomes an empty container).
SoupHandle WriteKUIDSetSoup(const KUIDSet& set);
// Every asset id in the tree: text tags holding a strict tag form, and
// asset-id tags that are not null.
void CollectSoupKUIDs(const SoupHandle& soup, KUIDSet& set);
// The assets a config uses: ids anywhere in it, its "kuid-table" and the
// named dependency tags, without its own id and the ids it makes obsolete.
void CollectAssetDependencies(const KUID& assetId, const SoupHandle& config, KUIDSet& out);
// The ids a config declares obsolete ("obsolete-table", "obsoletes-kuid"),
// never its own.
void CollectAssetObsoletes(const KUID& assetId, const SoupHandle& config, KUIDSet& out);
// Puts the ids into the target's "kuid-table": appended after the highest
// numbered tag when the table has tags, else the table is replaced. The
// entry is marked modified when ids are added.
void MergeKUIDTable(CDPAssetEntry& entry, SoupHandle& target, const KUIDSet& set);
