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
        IndexTail(static_cast<uint32_t>(items_.size() - 1));
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
        if (sorted_ > 0)
            Search(key, 0, sorted_ - 1, output);
        // The tail is indexed by bit pattern, so a query costs no scan of it.
        // Linear probing without deletions keeps equal keys in insertion order.
        if (unsorted_ > 0) {
            Key bits = Bits(key);
            for (size_t slot = Hash(bits) & mask_; table_[slot].position != kEmpty; slot = (slot + 1) & mask_) {
                if (table_[slot].bits != bits)
                    continue;
                const Item& item = *items_[table_[slot].position];
                if (Matches(item, key))
                    output.push_back(item.value);
            }
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
        std::fill(table_.begin(), table_.end(), Slot{});
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
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    using Key = std::array<uint32_t, K>;
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
    void IndexTail(uint32_t position)
    {
        // Half full at most, so probe runs stay short.
        if (static_cast<size_t>(unsorted_) * 2 > table_.size()) {
            table_.assign(std::max<size_t>(64, table_.size() * 2), Slot{});
            mask_ = table_.size() - 1;
            for (size_t i = static_cast<size_t>(sorted_); i < items_.size(); ++i)
                Place(static_cast<uint32_t>(i));
            return;
        }
        Place(position);
    }
    void Place(uint32_t position)
    {
        Key bits = Bits(items_[position]->key);
        size_t slot = Hash(bits) & mask_;
        while (table_[slot].position != kEmpty)
            slot = (slot + 1) & mask_;
        table_[slot] = {bits, position};
    }

    std::vector<Item*> items_;
    // The balanced part's keys in tree order, with each position's split axis.
    std::vector<Node> nodes_;
    std::vector<uint8_t> axes_;
    // Open-addressed positions of the tail's items, with their key bits so a
    // probe does not visit the item.
    struct Slot {
        Key bits{};
        uint32_t position = kEmpty;
    };
    std::vector<Slot> table_;
    size_t mask_ = 0;
    KVMemoryChain chain_;
    int sorted_ = 0;
    int unsorted_ = 0;
    int removed_ = 0;
    int insertPolicy_ = KVRebuildAutomatic;
    int removalPolicy_ = KVRebuildAutomatic;
    bool lazy_ = true;
};
