// Chained hash tables of {key, value} nodes: integer keys and heap-copied text keys.
#pragma once

#include <cstdint>

namespace Utils {

struct KeyedNode {
    uintptr_t key;  // an integer, or a heap text for the string table
    void* value;
    KeyedNode* next;
};

struct KeyedIterator {
    KeyedNode** slot = nullptr;
    const void* table = nullptr;
    int bucket = -1;  // -1 and a null slot at the end
    KeyedNode* Node() const { return slot ? *slot : nullptr; }
};

// Integer keys: bucket (key / 2) mod count, chains in ascending key order.
class IntHashTable {
public:
    IntHashTable() = default;
    ~IntHashTable();
    IntHashTable(const IntHashTable&) = delete;
    IntHashTable& operator=(const IntHashTable&) = delete;

    bool Make(uint32_t buckets);
    bool Insert(uint32_t key, void* value);
    bool Find(uint32_t key, KeyedIterator* it) const;
    void* FindValue(uint32_t key) const;
    void Begin(KeyedIterator* it) const;
    bool Next(KeyedIterator* it) const;
    // Hands out the value, frees the node and advances the iterator.
    bool Erase(KeyedIterator* it, void** value);
    // Frees every node (values are the caller's) and the buckets.
    void Clear();

    uint32_t Count() const { return count_; }
    uint32_t BucketCount() const { return bucketCount_; }
    KeyedNode* Bucket(uint32_t i) const { return buckets_[i]; }

private:
    KeyedNode** buckets_ = nullptr;
    uint32_t bucketCount_ = 0;
    uint32_t count_ = 0;
};

// Text keys copied to the heap: hash h = 3h + signed byte, chains in unsigned
// byte-wise order. The library string pool is written in this table's order.
class StringHashTable {
public:
    StringHashTable() = default;
    ~StringHashTable();
    StringHashTable(const StringHashTable&) = delete;
    StringHashTable& operator=(const StringHashTable&) = delete;

    bool Make(uint32_t buckets);
    // False on a duplicate key or when out of memory.
    bool Insert(const char* key, void* value);
    bool Find(const char* key, KeyedIterator* it) const;
    void Begin(KeyedIterator* it) const;
    bool Next(KeyedIterator* it) const;
    bool Erase(KeyedIterator* it, void** value);
    // Frees every node and its key, then the buckets.
    void Clear();

    uint32_t Count() const { return count_; }
    uint32_t BucketCount() const { return bucketCount_; }
    static const char* KeyText(const KeyedNode* node) { return reinterpret_cast<const char*>(node->key); }

private:
    KeyedNode** buckets_ = nullptr;
    uint32_t bucketCount_ = 0;
    uint32_t count_ = 0;
};

}  // namespace Utils
