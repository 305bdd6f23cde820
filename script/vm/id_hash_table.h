// IdHashTable: a chained hash table from a 64-bit id (two 32-bit words) to a
// pointer, used for library ids.
#pragma once

#include <cstdint>

class IdHashTable {
public:
    struct Node {
        uint32_t first;
        uint32_t second;
        void* value;
        Node* next;
    };
    // The link that points at the found node, the table and the bucket.
    struct Iterator {
        Node** link = nullptr;
        const IdHashTable* table = nullptr;
        uint32_t bucket = 0;
        Node* Current() const { return link != nullptr ? *link : nullptr; }
        void* Value() const { return link != nullptr ? (*link)->value : nullptr; }
    };

    IdHashTable() = default;
    ~IdHashTable();
    IdHashTable(const IdHashTable&) = delete;
    IdHashTable& operator=(const IdHashTable&) = delete;

    // Frees any old buckets and nodes (values are left alone) and makes
    // `buckets` empty chains. False when the bucket array cannot be had.
    bool Make(uint32_t buckets);
    // Frees the nodes and the bucket array; the table has no buckets after.
    void Free();

    bool Find(uint32_t first, uint32_t second, Iterator* it) const;
    // The value, or null when the key is absent.
    void* FindValue(uint32_t first, uint32_t second) const;
    // False when the key is present (nothing changes) or without buckets.
    bool Insert(uint32_t first, uint32_t second, void* value);
    // Removes the node at the iterator; its value is the caller's.
    void Erase(Iterator* it);
    // Frees every node, from the last bucket to the first; values are left
    // alone. The bucket array stays.
    void Clear();
    // As Clear, deleting each non-null value as a T first.
    template <typename T>
    void ClearAndDelete()
    {
        ClearWith([](void* value) { delete static_cast<T*>(value); });
    }

    uint32_t Count() const { return count_; }
    uint32_t BucketCount() const { return bucketCount_; }
    // The head of a chain (for walks over every entry).
    const Node* Bucket(uint32_t i) const { return buckets_[i]; }

private:
    void ClearWith(void (*deleter)(void*));
    // The link where the key is or would be linked; `found` tells which.
    Node** Position(uint32_t first, uint32_t second, uint32_t* bucket, bool* found) const;

    Node** buckets_ = nullptr;
    uint32_t bucketCount_ = 0;
    uint32_t count_ = 0;
};
