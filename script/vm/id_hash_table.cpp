// IdHashTable: chains sorted ascending by (first, second), compared unsigned.
#include "script/vm/id_hash_table.h"

#include <cstdlib>
#include <new>

IdHashTable::~IdHashTable()
{
    Free();
}

bool IdHashTable::Make(uint32_t buckets)
{
    Free();
    if (buckets == 0)
        return false;
    buckets_ = static_cast<Node**>(std::calloc(buckets, sizeof(Node*)));
    if (buckets_ == nullptr)
        return false;
    bucketCount_ = buckets;
    return true;
}

void IdHashTable::Free()
{
    Clear();
    std::free(buckets_);
    buckets_ = nullptr;
    bucketCount_ = 0;
}

IdHashTable::Node** IdHashTable::Position(uint32_t first, uint32_t second, uint32_t* bucket, bool* found) const
{
    *found = false;
    *bucket = first % bucketCount_;
    Node** link = &buckets_[*bucket];
    for (Node* node = *link; node != nullptr; link = &node->next, node = *link) {
        if (first < node->first)
            break;
        if (first > node->first)
            continue;
        if (second < node->second)
            break;
        if (second == node->second) {
            *found = true;
            break;
        }
    }
    return link;
}

bool IdHashTable::Find(uint32_t first, uint32_t second, Iterator* it) const
{
    if (bucketCount_ == 0)
        return false;
    uint32_t bucket = 0;
    bool found = false;
    Node** link = Position(first, second, &bucket, &found);
    if (!found)
        return false;
    it->link = link;
    it->table = this;
    it->bucket = bucket;
    return true;
}

void* IdHashTable::FindValue(uint32_t first, uint32_t second) const
{
    Iterator it;
    return Find(first, second, &it) ? it.Value() : nullptr;
}

bool IdHashTable::Insert(uint32_t first, uint32_t second, void* value)
{
    if (bucketCount_ == 0)
        return false;
    uint32_t bucket = 0;
    bool found = false;
    Node** link = Position(first, second, &bucket, &found);
    if (found)
        return false;
    Node* node = new (std::nothrow) Node{first, second, value, *link};
    if (node == nullptr)
        return false;
    *link = node;
    ++count_;
    return true;
}

void IdHashTable::Erase(Iterator* it)
{
    Node* node = it->Current();
    if (node == nullptr)
        return;
    *it->link = node->next;
    delete node;
    --count_;
}

void IdHashTable::Clear()
{
    ClearWith(nullptr);
}

void IdHashTable::ClearWith(void (*deleter)(void*))
{
    for (uint32_t i = bucketCount_; i-- > 0;) {
        Node* node = buckets_[i];
        while (node != nullptr) {
            Node* next = node->next;
            if (deleter != nullptr && node->value != nullptr)
                deleter(node->value);
            delete node;
            node = next;
        }
        buckets_[i] = nullptr;
    }
    count_ = 0;
}
