// ChunkedHashTable: the bucket array and each bucket are made on first insert and freed with the table.
#include "assetdb/spec_hash_table.h"

#include "assetdb/pemberlynx_spec.h"

// Every client makes a registry at start; most commands never put a spec in
// it, so the 32 KB of bucket pointers wait for the first.
ChunkedHashTable::ChunkedHashTable() = default;

ChunkedHashTable::~ChunkedHashTable()
{
    Clear();
}

uint32_t ChunkedHashTable::BucketOf(const KUID& id)
{
    uint32_t mixed = (uint32_t(id.content) << 5) ^ uint32_t(id.version) ^ uint32_t(id.user);
    return mixed % BucketCount;
}

void ChunkedHashTable::Insert(PemberlynxSpec* spec)
{
    if (!buckets_)
        buckets_.reset(new Bucket*[BucketCount]());
    Bucket*& bucket = buckets_[BucketOf(spec->GetKUID())];
    if (bucket == nullptr)
        bucket = new Bucket();
    bucket->PushBack(spec);
    ++count_;
}

PemberlynxSpec* ChunkedHashTable::Find(const KUID& id) const
{
    if (!buckets_)
        return nullptr;
    const Bucket* bucket = buckets_[BucketOf(id)];
    if (bucket == nullptr)
        return nullptr;
    for (PemberlynxSpec* spec : *bucket)
        if (spec->GetKUID() == id)
            return spec;
    return nullptr;
}

bool ChunkedHashTable::Remove(PemberlynxSpec* spec)
{
    if (!buckets_)
        return false;
    Bucket* bucket = buckets_[BucketOf(spec->GetKUID())];
    if (bucket == nullptr)
        return false;
    Bucket::Iterator it = bucket->Begin();
    while (!it.IsEnd() && (*it)->GetKUID() != spec->GetKUID())
        ++it;
    while (!it.IsEnd() && *it != spec)
        ++it;
    if (it.IsEnd())
        return false;
    // Ordered, so specs of one id keep their order of insertion.
    bucket->EraseOrdered(it);
    --count_;
    return true;
}

void ChunkedHashTable::Clear()
{
    count_ = 0;
    if (!buckets_)
        return;
    for (uint32_t index = 0; index < BucketCount; ++index) {
        delete buckets_[index];
        buckets_[index] = nullptr;
    }
}
