// KVMapKDTree: points of K coordinates mapped to values; a balanced implicit KD tree plus an unsorted tail of recent inserts.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "mesh/kv_memory_chain.h"

// Rebuild policies. The automatic insert rule folds the tail in once it
// outgrows an eighth of the balanced part; the tail is hashed, so it needs no
// fixed cap to keep queries short.
enum KVRebuildPolicy : int { KVRebuildAlways = -2, KVRebuildNever = -1, KVRebuildAutomatic = -3 };

template <class V, class T, int K, int InitialCapacity>
class KVMapKDTree {
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
        tail_.emplace(Bits(key), items_.size() - 1);
        ++unsorted_;
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
        auto range = tail_.equal_range(Bits(key));
        positions_.clear();
        for (auto it = range.first; it != range.second; ++it)
            positions_.push_back(it->second);
        std::sort(positions_.begin(), positions_.end());
        for (size_t i : positions_) {
            if (Matches(*items_[i], key))
                output.push_back(items_[i]->value);
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
        tail_.clear();
        unsorted_ = 0;
        removed_ = 0;
        if (sorted_ > 0)
            BuildRange(0, sorted_ - 1);
    }

private:
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
        if (unsorted_ == 0 || !ShouldRebuild(insertPolicy_, unsorted_, sorted_, 8))
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
    void BuildRange(int lo, int hi)
    {
        while (lo <= hi) {
            if (lo == hi) {
                items_[static_cast<size_t>(lo)]->axis = 0;
                return;
            }
            T low[K], high[K];
            std::copy(items_[static_cast<size_t>(lo)]->key, items_[static_cast<size_t>(lo)]->key + K, low);
            std::copy(low, low + K, high);
            for (int i = lo + 1; i <= hi; ++i) {
                for (int k = 0; k < K; ++k) {
                    low[k] = std::min(low[k], items_[static_cast<size_t>(i)]->key[k]);
                    high[k] = std::max(high[k], items_[static_cast<size_t>(i)]->key[k]);
                }
            }
            int axis = 0;
            for (int k = 1; k < K; ++k) {
                if (high[k] - low[k] > high[axis] - low[axis])
                    axis = k;
            }
            int mid = (lo + hi) / 2;
            auto begin = items_.begin();
            std::nth_element(begin + lo, begin + mid, begin + hi + 1,
                             [axis](const Item* a, const Item* b) { return a->key[axis] < b->key[axis]; });
            items_[static_cast<size_t>(mid)]->axis = static_cast<uint8_t>(axis);
            BuildRange(lo, mid - 1);
            lo = mid + 1;
        }
    }
    void Search(const T* key, int lo, int hi, std::vector<V>& output) const
    {
        while (lo <= hi) {
            int mid = (lo + hi) / 2;
            const Item& item = *items_[static_cast<size_t>(mid)];
            T difference = key[item.axis] - item.key[item.axis];
            if (difference < 0) {
                hi = mid - 1;
                continue;
            }
            if (difference > 0) {
                lo = mid + 1;
                continue;
            }
            if (Matches(item, key))
                output.push_back(item.value);
            Search(key, lo, mid - 1, output);
            lo = mid + 1;
        }
    }

    using Key = std::array<T, K>;
    struct KeyHash {
        size_t operator()(const Key& key) const
        {
            unsigned char bytes[sizeof(Key)];
            memcpy(bytes, key.data(), sizeof bytes);
            size_t hash = 1469598103934665603ull;
            for (unsigned char b : bytes)
                hash = (hash ^ b) * 1099511628211ull;
            return hash;
        }
    };
    struct KeyBitsEqual {
        bool operator()(const Key& a, const Key& b) const { return memcmp(a.data(), b.data(), sizeof(Key)) == 0; }
    };
    // Adding zero turns -0.0 into 0.0, so both land on one bucket as they compare equal.
    static Key Bits(const T* key)
    {
        Key bits;
        for (int k = 0; k < K; ++k)
            bits[static_cast<size_t>(k)] = key[k] + T(0);
        return bits;
    }

    std::vector<Item*> items_;
    std::unordered_multimap<Key, size_t, KeyHash, KeyBitsEqual> tail_;
    std::vector<size_t> positions_;
    KVMemoryChain chain_;
    int sorted_ = 0;
    int unsorted_ = 0;
    int removed_ = 0;
    int insertPolicy_ = KVRebuildAutomatic;
    int removalPolicy_ = KVRebuildAutomatic;
    bool lazy_ = true;
};
