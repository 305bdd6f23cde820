// KVMapKDTree: points of K coordinates mapped to values; a balanced implicit KD tree plus an unsorted tail of recent inserts.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "mesh/kv_memory_chain.h"

// Rebuild policies.
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
        for (size_t i = static_cast<size_t>(sorted_); i < items_.size(); ++i) {
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
            return (factor == 8 && n > 1000) || (n > 10 && int64_t{factor} * n > sorted);
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

    std::vector<Item*> items_;
    KVMemoryChain chain_;
    int sorted_ = 0;
    int unsorted_ = 0;
    int removed_ = 0;
    int insertPolicy_ = KVRebuildAutomatic;
    int removalPolicy_ = KVRebuildAutomatic;
    bool lazy_ = true;
};
