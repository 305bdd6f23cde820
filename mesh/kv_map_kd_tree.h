// KVMapKDTree: points of K coordinates mapped to values; a balanced implicit KD tree plus an unsorted tail of recent inserts.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "mesh/kv_memory_chain.h"

// Rebuild policies. The automatic insert rule folds the tail in once it
// outgrows the balanced part: the tail is hashed, so a long tail costs queries
// nothing, and folding at each doubling keeps the rebuilds linear in total
// (folding at an eighth rebuilt every item about nine times).
enum KVRebuildPolicy : int { KVRebuildAlways = -2, KVRebuildNever = -1, KVRebuildAutomatic = -3 };

template <class V, class T, int K, int InitialCapacity>
class KVMapKDTree {
    static_assert(sizeof(T) == 4, "keys are hashed and compared as 32-bit patterns");

public:
    struct Item {
        T key[K];
        uint8_t axis;
        uint8_t removed;
        V value;
    };

    KVMapKDTree() : chain_(80000, sizeof(Item)) { items_.reserve(InitialCapacity); }
    virtual ~KVMapKDTree() = default;
    KVMapKDTree(const KVMapKDTree&) = delete;
    KVMapKDTree& operator=(const KVMapKDTree&) = delete;

    int Insert(const T* key, V value)
    {
        Item* item = new (chain_.Carve()) Item;
        std::copy(key, key + K, item->key);
        item->axis = 255;
        item->removed = 0;
        item->value = value;
        items_.push_back(item);
        ++unsorted_;
        Index(item, static_cast<uint32_t>(items_.size() - 1));
        if (!lazy_)
            ApplyInsertPolicy();
        return static_cast<int>(items_.size());
    }

    // Every value stored under a key equal to key in all coordinates (0.0
    // equals -0.0); returns how many were appended to output (emptied first).
    int FindExact(const T* key, std::vector<V>& output)
    {
        if (lazy_ && !ApplyInsertPolicy())
            ApplyRemovalPolicy();
        output.clear();
        // Every item is hashed by bit pattern: a key held once (all that
        // welding makes) is answered without walking the balanced part.
        Key bits = Bits(key);
        matches_.clear();
        for (size_t slot = Hash(bits) & mask_; table_.size() > 0 && table_[slot].item; slot = (slot + 1) & mask_) {
            if (table_[slot].bits == bits && Matches(*table_[slot].item, key))
                matches_.push_back(&table_[slot]);
        }
        if (matches_.size() == 1)
            output.push_back(matches_[0]->item->value);
        if (matches_.size() <= 1)
            return static_cast<int>(output.size());
        // Several items share the key: the balanced part's in search order,
        // then the tail's (split axis still 255) in insertion order.
        if (sorted_ > 0)
            Search(key, 0, sorted_ - 1, output);
        std::sort(matches_.begin(), matches_.end(), [](const Slot* a, const Slot* b) { return a->serial < b->serial; });
        for (const Slot* match : matches_) {
            if (match->item->axis == 255)
                output.push_back(match->item->value);
        }
        return static_cast<int>(output.size());
    }

    // Marks every item under key removed; returns how many.
    int RemoveExact(const T* key)
    {
        int count = 0;
        for (Item* item : items_) {
            if (Matches(*item, key)) {
                item->removed = 1;
                ++count;
            }
        }
        removed_ += count;
        if (!lazy_)
            ApplyRemovalPolicy();
        return count;
    }

    void SetInsertPolicy(int policy) { insertPolicy_ = policy; }
    void SetRemovalPolicy(int policy) { removalPolicy_ = policy; }
    void SetLazy(bool lazy) { lazy_ = lazy; }
    int SortedCount() const { return sorted_; }
    int UnsortedCount() const { return unsorted_; }
    size_t Size() const { return items_.size(); }

    void Rebuild()
    {
        sorted_ = static_cast<int>(items_.size());
        unsorted_ = 0;
        removed_ = 0;
        // The build works on packed copies of the keys: partitioning pointers
        // would chase every item through the chain on each comparison.
        nodes_.resize(items_.size());
        for (size_t i = 0; i < items_.size(); ++i) {
            std::copy(items_[i]->key, items_[i]->key + K, nodes_[i].key);
            nodes_[i].source = static_cast<uint32_t>(i);
        }
        axes_.assign(items_.size(), 0);
        if (sorted_ > 0)
            BuildRange(0, sorted_ - 1);
        std::vector<Item*> ordered(items_.size());
        for (size_t i = 0; i < nodes_.size(); ++i) {
            ordered[i] = items_[nodes_[i].source];
            ordered[i]->axis = axes_[i];
        }
        items_.swap(ordered);
    }

private:
    using Key = std::array<uint32_t, K>;
    struct Slot {
        Key bits{};
        uint32_t serial = 0;  // insertion order
        Item* item = nullptr;
    };
    struct Node {
        T key[K];
        uint32_t source;
    };

    static bool ShouldRebuild(int policy, int n, int sorted, int factor)
    {
        if (policy == KVRebuildNever)
            return false;
        if (policy == KVRebuildAlways)
            return true;
        if (policy == KVRebuildAutomatic)
            return n > 10 && int64_t{factor} * n > sorted;
        return n > policy;
    }
    bool ApplyInsertPolicy()
    {
        if (unsorted_ == 0 || !ShouldRebuild(insertPolicy_, unsorted_, sorted_, 1))
            return false;
        Rebuild();
        return true;
    }
    bool ApplyRemovalPolicy()
    {
        if (removed_ == 0 || !ShouldRebuild(removalPolicy_, removed_, sorted_, 4))
            return false;
        Rebuild();
        return true;
    }
    static bool Matches(const Item& item, const T* key)
    {
        if (item.removed)
            return false;
        for (int k = 0; k < K; ++k) {
            if (!(item.key[k] == key[k]))
                return false;
        }
        return true;
    }
    static bool SameKey(const T* a, const T* b)
    {
        for (int k = 0; k < K; ++k) {
            if (!(a[k] == b[k]))
                return false;
        }
        return true;
    }
    void BuildRange(int lo, int hi)
    {
        while (lo <= hi) {
            if (lo == hi) {
                axes_[static_cast<size_t>(lo)] = 0;
                return;
            }
            T low[K], high[K];
            std::copy(nodes_[static_cast<size_t>(lo)].key, nodes_[static_cast<size_t>(lo)].key + K, low);
            std::copy(low, low + K, high);
            for (int i = lo + 1; i <= hi; ++i) {
                for (int k = 0; k < K; ++k) {
                    low[k] = std::min(low[k], nodes_[static_cast<size_t>(i)].key[k]);
                    high[k] = std::max(high[k], nodes_[static_cast<size_t>(i)].key[k]);
                }
            }
            int axis = 0;
            for (int k = 1; k < K; ++k) {
                if (high[k] - low[k] > high[axis] - low[axis])
                    axis = k;
            }
            int mid = (lo + hi) / 2;
            auto begin = nodes_.begin();
            std::nth_element(begin + lo, begin + mid, begin + hi + 1,
                             [axis](const Node& a, const Node& b) { return a.key[axis] < b.key[axis]; });
            axes_[static_cast<size_t>(mid)] = static_cast<uint8_t>(axis);
            BuildRange(lo, mid - 1);
            lo = mid + 1;
        }
    }
    void Search(const T* key, int lo, int hi, std::vector<V>& output) const
    {
        while (lo <= hi) {
            int mid = (lo + hi) / 2;
            const Node& node = nodes_[static_cast<size_t>(mid)];
            uint8_t axis = axes_[static_cast<size_t>(mid)];
            T difference = key[axis] - node.key[axis];
            if (difference < 0) {
                hi = mid - 1;
                continue;
            }
            if (difference > 0) {
                lo = mid + 1;
                continue;
            }
            // The packed copy answers the comparison; the item only when it matches.
            if (SameKey(node.key, key) && Matches(*items_[static_cast<size_t>(mid)], key))
                output.push_back(items_[static_cast<size_t>(mid)]->value);
            Search(key, lo, mid - 1, output);
            lo = mid + 1;
        }
    }

    // Adding zero turns -0.0 into 0.0, so both land on one bucket as they compare equal.
    static Key Bits(const T* key)
    {
        Key bits;
        for (int k = 0; k < K; ++k) {
            T value = key[k] + T(0);
            memcpy(&bits[static_cast<size_t>(k)], &value, sizeof value);
        }
        return bits;
    }
    static size_t Hash(const Key& bits)
    {
        uint64_t hash = 0x9E3779B97F4A7C15ull;
        for (uint32_t word : bits)
            hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        // Whole-number coordinates have empty low mantissa bits: fold the high half down.
        hash ^= hash >> 32;
        hash *= 0xC4CEB9FE1A85EC53ull;
        return static_cast<size_t>(hash ^ (hash >> 29));
    }
    void Index(Item* item, uint32_t serial)
    {
        // Half full at most, so probe runs stay short.
        if (items_.size() * 2 > table_.size()) {
            std::vector<Slot> old(std::max<size_t>(64, table_.size() * 2));
            old.swap(table_);
            mask_ = table_.size() - 1;
            for (const Slot& slot : old) {
                if (slot.item)
                    Place(slot);
            }
        }
        Place({Bits(item->key), serial, item});
    }
    void Place(const Slot& entry)
    {
        size_t slot = Hash(entry.bits) & mask_;
        while (table_[slot].item)
            slot = (slot + 1) & mask_;
        table_[slot] = entry;
    }

    std::vector<Item*> items_;
    // The balanced part's keys in tree order, with each position's split axis.
    std::vector<Node> nodes_;
    std::vector<uint8_t> axes_;
    // Every item, open-addressed by key bits, so a probe does not visit other items.
    std::vector<Slot> table_;
    std::vector<const Slot*> matches_;
    size_t mask_ = 0;
    KVMemoryChain chain_;
    int sorted_ = 0;
    int unsorted_ = 0;
    int removed_ = 0;
    int insertPolicy_ = KVRebuildAutomatic;
    int removalPolicy_ = KVRebuildAutomatic;
    bool lazy_ = true;
};
