// ChunkedHashTable: the asset-spec registry's index from asset id to spec, 4093 buckets of chunked lists.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/containers/chunked_list.h"
#include "kuid/kuid.h"

class PemberlynxSpec;

class ChunkedHashTable {
public:
    static constexpr uint32_t BucketCount = 4093;
    using Bucket = ChunkedList<PemberlynxSpec*, 13>;

    ChunkedHashTable();
    ~ChunkedHashTable();
    ChunkedHashTable(const ChunkedHashTable&) = delete;
    ChunkedHashTable& operator=(const ChunkedHashTable&) = delete;

    // ((content << 5) ^ version ^ user) mod 4093 on unsigned 32-bit values.
    static uint32_t BucketOf(const KUID& id);

    // Appends the asset spec at the end of its id's bucket.
    void Insert(PemberlynxSpec* spec);
    // The first spec of the id's bucket whose id equals the given one.
    PemberlynxSpec* Find(const KUID& id) const;
    // Walks forward from the first entry with the asset spec's id to the entry that
    // holds this very spec and removes it; false when it is not there.
    bool Remove(PemberlynxSpec* spec);
    int64_t Count() const { return count_; }
    // Empties every bucket (the specs themselves are not touched).
    void Clear();

    // Visits every entry, bucket by bucket, in bucket order.
    template <class Visit>
    void ForEach(Visit visit) const
    {
        if (!buckets_)
            return;
        for (uint32_t index = 0; index < BucketCount; ++index) {
            if (buckets_[index] == nullptr)
                continue;
            for (PemberlynxSpec* spec : *buckets_[index])
                visit(spec);
        }
    }

private:
    // Null until the first insert.
    std::unique_ptr<Bucket*[]> buckets_;
    int64_t count_ = 0;
};
