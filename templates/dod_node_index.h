// NodeIndex: an open-addressed map from interned-text nodes (or any pointers) to an int, in one allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace DODLib {

// The template reader looks names up by their interned node thousands of
// times per config; a node-based hash map would allocate for every name.
// The first value stored under a key stays.
class NodeIndex {
public:
    void Reserve(size_t count)
    {
        size_t capacity = 16;
        while (capacity < count * 2)
            capacity *= 2;
        if (capacity > slots_.size())
            Rehash(capacity);
    }

    // False (the old value kept) when the key is there already.
    bool Insert(const void* key, int32_t value = 0)
    {
        if (!key) {
            if (hasNull_)
                return false;
            hasNull_ = true;
            nullValue_ = value;
            ++size_;
            return true;
        }
        if ((size_ + 1) * 2 > slots_.size())
            Rehash(slots_.empty() ? 16 : slots_.size() * 2);
        Slot& slot = slots_[Probe(key)];
        if (slot.key)
            return false;
        slot = {key, value};
        ++size_;
        return true;
    }

    // The value under key, or -1.
    int32_t Find(const void* key) const
    {
        if (!key)
            return hasNull_ ? nullValue_ : -1;
        if (slots_.empty())
            return -1;
        const Slot& slot = slots_[Probe(key)];
        return slot.key ? slot.value : -1;
    }
    bool Contains(const void* key) const { return key ? !slots_.empty() && slots_[Probe(key)].key : hasNull_; }
    bool Empty() const { return size_ == 0; }
    size_t Size() const { return size_; }

private:
    struct Slot {
        const void* key = nullptr;
        int32_t value = 0;
    };

    // The slot holding key, or the empty slot where it would go.
    size_t Probe(const void* key) const
    {
        const size_t mask = slots_.size() - 1;
        // Nodes are at least 8-byte aligned: the low bits carry nothing.
        size_t i = static_cast<size_t>((reinterpret_cast<uintptr_t>(key) >> 3) * 0x9E3779B97F4A7C15ull >> 20) & mask;
        while (slots_[i].key && slots_[i].key != key)
            i = (i + 1) & mask;
        return i;
    }
    void Rehash(size_t capacity)
    {
        std::vector<Slot> old(capacity);
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.key)
                slots_[Probe(slot.key)] = slot;
        }
    }

    std::vector<Slot> slots_;
    size_t size_ = 0;
    bool hasNull_ = false;
    int32_t nullValue_ = -1;
};

}  // namespace DODLib
