// The store's rows packed: fixed-width fields, interned texts and one arena for the texts and lists of each row, in id order.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "daemon/asset_record.h"
#include "daemon/asset_store_text_pool.h"
#include "kuid/kuid.h"

// A std::map of whole records cost over half a kilobyte per asset; a daemon
// over a large installation keeps every row, so each row here is one
// fixed-width entry, its repeating texts are pool numbers and its own texts
// and lists lie end to end in one arena. Rows are read back whole into a
// KADAssetRecord. Not synchronised: the store's mirror lock guards it.
class KADAssetTable {
public:
    std::size_t Count() const { return order.size(); }
    bool Find(const KUID& id, KADAssetRecord& record) const;
    // Adds the row, or replaces the one with its id.
    void Put(const KADAssetRecord& record);
    void Erase(const KUID& id);
    void Clear();

    // Loading: rows appended in any order, then put in id order once; of
    // two rows with one id the first is kept.
    void Append(const KADAssetRecord& record);
    void FinishAppends();

    // Calls visit(const KADAssetRecord&) for every row in id order; the
    // record is reused from row to row.
    template <class Visit>
    void ForEach(Visit visit) const
    {
        KADAssetRecord row;
        for (std::uint32_t slot : order) {
            Decode(slot, row);
            visit(std::as_const(row));
        }
    }
    // The highest version of (user, content), -1 when none.
    std::int32_t HighestVersion(std::int32_t user, std::int32_t content, bool installedOnly) const;

private:
    struct Row {
        std::int64_t installedTime;
        std::int64_t modifiedTime;
        std::uint64_t extra;  // where the row's own texts and lists start in the arena
        KUID id;
        std::uint32_t flags;
        std::int32_t revision;
        std::int32_t editGeneration;
        std::int32_t authorId;
        std::int32_t rating;
        std::int32_t downloadSize;
        float build;
        std::uint32_t store;  // pool numbers
        std::uint32_t kind;
        std::uint32_t category;
        std::uint32_t region;
        std::uint32_t era;
        std::uint32_t authorName;
        bool hasScript;
    };

    Row Pack(const KADAssetRecord& record);
    void Decode(std::uint32_t slot, KADAssetRecord& record) const;
    std::size_t ExtraLength(const Row& row) const;
    // The position in order of the first row whose id is not below id.
    std::size_t LowerBound(const KUID& id) const;
    std::uint32_t NewSlot(const Row& row);
    void Forget(std::uint32_t slot);
    // Rewrites rows, arena and pool without what no row uses any more,
    // once the waste outgrows what is in use.
    void CompactWhenWasteful();

    std::vector<Row> rows;             // by slot; freed slots are reused
    std::vector<std::uint32_t> order;  // slots in id order
    std::vector<std::uint32_t> freeSlots;
    std::vector<char> arena;
    std::size_t arenaWaste = 0;
    KADTextPool pool;
};
