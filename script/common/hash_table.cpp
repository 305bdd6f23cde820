// Node-based chained hash table of the script toolchain.
#include "script/common/hash_table.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "zel/alloc.h"

namespace Utils {

HashTable::~HashTable()
{
    FreeBuckets();
}

namespace {

// Shorter chains are walked as they always were.
constexpr size_t kHalvingFrom = 8;

}  // namespace

bool HashTable::Make(uint32_t buckets)
{
    FreeBuckets();
    if (buckets == 0)
        return false;
    try {
        buckets_ = static_cast<IHashNode**>(Zel::Alloc::New(buckets * sizeof(IHashNode*)));
        index_.resize(buckets);
    } catch (const std::bad_alloc&) {
        FreeBuckets();
        return false;
    }
    std::memset(buckets_, 0, buckets * sizeof(IHashNode*));
    bucketCount_ = buckets;
    return true;
}

uint32_t HashTable::FirstNotAfter(const ChainIndex& chain, const IHashNode& probe)
{
    uint32_t low = 0;
    uint32_t high = static_cast<uint32_t>(chain.nodes.size());
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        if (probe.Compare(*chain.nodes[middle]) > 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

bool HashTable::CanHalve(const ChainIndex& chain, const IHashNode& probe) const
{
    return chain.nodes.size() >= kHalvingFrom && !chain.walkOnly && probe.ComparesInOrder();
}

IHashNode** HashTable::LinkBefore(uint32_t bucket, uint32_t position) const
{
    return position == 0 ? &buckets_[bucket] : &index_[bucket].nodes[position - 1]->chainNext;
}

bool HashTable::Insert(IHashNode* node)
{
    if (bucketCount_ == 0)
        return false;
    uint32_t bucket = node->Hash() % bucketCount_;
    ChainIndex& chain = index_[bucket];
    uint32_t position = 0;
    IHashNode** slot = &buckets_[bucket];
    if (CanHalve(chain, *node)) {
        position = FirstNotAfter(chain, *node);
        if (position < chain.nodes.size() && node->Compare(*chain.nodes[position]) == 0)
            return false;
        slot = LinkBefore(bucket, position);
    } else {
        while (*slot != nullptr) {
            int order = node->Compare(**slot);
            if (order == 0)
                return false;
            if (order < 0)
                break;
            slot = &(*slot)->chainNext;
            ++position;
        }
    }
    chain.nodes.insert(chain.nodes.begin() + position, node);
    if (!node->ComparesInOrder())
        chain.walkOnly = true;
    node->chainNext = *slot;
    *slot = node;
    ++count_;
    return true;
}

bool HashTable::Find(const IHashNode& probe, Iterator* it) const
{
    if (bucketCount_ == 0)
        return false;
    uint32_t bucket = probe.Hash() % bucketCount_;
    const ChainIndex& chain = index_[bucket];
    IHashNode** slot = &buckets_[bucket];
    if (CanHalve(chain, probe)) {
        uint32_t position = FirstNotAfter(chain, probe);
        if (position == chain.nodes.size() || probe.Compare(*chain.nodes[position]) != 0)
            return false;
        slot = LinkBefore(bucket, position);
    } else {
        for (;; slot = &(*slot)->chainNext) {
            if (*slot == nullptr)
                return false;
            int order = probe.Compare(**slot);
            if (order == 0)
                break;
            if (order < 0)
                return false;
        }
    }
    it->slot = slot;
    it->table = this;
    it->bucket = static_cast<int>(bucket);
    return true;
}

IHashNode* HashTable::Find(const IHashNode& probe) const
{
    Iterator it;
    return Find(probe, &it) ? *it.slot : nullptr;
}

size_t HashTable::PlaceOf(const ChainIndex& chain, const IHashNode* node) const
{
    if (CanHalve(chain, *node)) {
        for (size_t i = FirstNotAfter(chain, *node); i < chain.nodes.size(); ++i) {
            if (chain.nodes[i] == node)
                return i;
            if (node->Compare(*chain.nodes[i]) != 0)
                break;
        }
    }
    for (size_t i = 0; i < chain.nodes.size(); ++i) {
        if (chain.nodes[i] == node)
            return i;
    }
    return chain.nodes.size();
}

bool HashTable::Remove(IHashNode* node)
{
    if (bucketCount_ == 0)
        return false;
    uint32_t bucket = node->Hash() % bucketCount_;
    ChainIndex& chain = index_[bucket];
    size_t position = PlaceOf(chain, node);
    if (position == chain.nodes.size())
        return false;
    IHashNode** slot = LinkBefore(bucket, static_cast<uint32_t>(position));
    *slot = node->chainNext;
    node->chainNext = nullptr;
    chain.nodes.erase(chain.nodes.begin() + static_cast<std::ptrdiff_t>(position));
    --count_;
    return true;
}

bool HashTable::Locate(const IHashNode* node, uint32_t* bucket, uint32_t* position) const
{
    if (bucketCount_ == 0)
        return false;
    uint32_t at = node->Hash() % bucketCount_;
    size_t place = PlaceOf(index_[at], node);
    if (place == index_[at].nodes.size())
        return false;
    *bucket = at;
    *position = static_cast<uint32_t>(place);
    return true;
}

void HashTable::Begin(Iterator* it) const
{
    it->table = this;
    it->slot = nullptr;
    it->bucket = -1;
    for (uint32_t i = 0; i < bucketCount_; ++i) {
        if (buckets_[i] != nullptr) {
            it->slot = &buckets_[i];
            it->bucket = static_cast<int>(i);
            return;
        }
    }
}

bool HashTable::Next(Iterator* it)
{
    if (it->slot == nullptr || it->bucket < 0 || it->table == nullptr) {
        it->slot = nullptr;
        it->bucket = -1;
        return false;
    }
    IHashNode* node = *it->slot;
    if (node != nullptr && node->chainNext != nullptr) {
        it->slot = &node->chainNext;
        return true;
    }
    const HashTable* table = it->table;
    for (uint32_t i = static_cast<uint32_t>(it->bucket) + 1; i < table->bucketCount_; ++i) {
        if (table->buckets_[i] != nullptr) {
            it->slot = &table->buckets_[i];
            it->bucket = static_cast<int>(i);
            return true;
        }
    }
    it->slot = nullptr;
    it->bucket = -1;
    return false;
}

void HashTable::FreeBuckets()
{
    Zel::Alloc::Delete(buckets_);
    buckets_ = nullptr;
    bucketCount_ = 0;
    count_ = 0;
    index_.clear();
}

}  // namespace Utils
