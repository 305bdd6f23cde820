// Keyed chained hash tables of the script toolchain.
#include "script/common/keyed_hash_table.h"

#include <cstring>
#include <new>

#include "script/common/script_hash.h"
#include "zel/alloc.h"

namespace Utils {

namespace {

KeyedNode** MakeBuckets(uint32_t count)
{
    KeyedNode** buckets = static_cast<KeyedNode**>(Zel::Alloc::TryNew(count * sizeof(KeyedNode*)));
    if (buckets == nullptr)
        return nullptr;
    std::memset(buckets, 0, count * sizeof(KeyedNode*));
    return buckets;
}

KeyedNode* NewNode(uintptr_t key, void* value)
{
    KeyedNode* node = static_cast<KeyedNode*>(Zel::Alloc::TryNew(sizeof(KeyedNode)));
    if (node == nullptr)
        return nullptr;
    node->key = key;
    node->value = value;
    node->next = nullptr;
    return node;
}

void BeginAt(KeyedNode** buckets, uint32_t count, const void* table, KeyedIterator* it)
{
    it->table = table;
    it->slot = nullptr;
    it->bucket = -1;
    for (uint32_t i = 0; i < count; ++i) {
        if (buckets[i] != nullptr) {
            it->slot = &buckets[i];
            it->bucket = static_cast<int>(i);
            return;
        }
    }
}

bool Advance(KeyedNode** buckets, uint32_t count, KeyedIterator* it)
{
    if (it->slot == nullptr || it->bucket < 0)
        return false;
    KeyedNode* node = *it->slot;
    if (node != nullptr && node->next != nullptr) {
        it->slot = &node->next;
        return true;
    }
    for (uint32_t i = static_cast<uint32_t>(it->bucket) + 1; i < count; ++i) {
        if (buckets[i] != nullptr) {
            it->slot = &buckets[i];
            it->bucket = static_cast<int>(i);
            return true;
        }
    }
    it->slot = nullptr;
    it->bucket = -1;
    return false;
}

// After unlinking the node at the slot, the slot already names the next node
// of the chain; when it is null the iterator moves to the next bucket.
void SettleAfterErase(KeyedNode** buckets, uint32_t count, KeyedIterator* it)
{
    if (*it->slot != nullptr)
        return;
    for (uint32_t i = static_cast<uint32_t>(it->bucket) + 1; i < count; ++i) {
        if (buckets[i] != nullptr) {
            it->slot = &buckets[i];
            it->bucket = static_cast<int>(i);
            return;
        }
    }
    it->slot = nullptr;
    it->bucket = -1;
}

}  // namespace

IntHashTable::~IntHashTable()
{
    Clear();
}

bool IntHashTable::Make(uint32_t buckets)
{
    Clear();
    if (buckets == 0)
        return false;
    buckets_ = MakeBuckets(buckets);
    if (buckets_ == nullptr)
        return false;
    bucketCount_ = buckets;
    return true;
}

bool IntHashTable::Insert(uint32_t key, void* value)
{
    if (bucketCount_ == 0)
        return false;
    KeyedNode** slot = &buckets_[(key / 2) % bucketCount_];
    while (*slot != nullptr && (*slot)->key < key)
        slot = &(*slot)->next;
    if (*slot != nullptr && (*slot)->key == key)
        return false;
    KeyedNode* node = NewNode(key, value);
    if (node == nullptr)
        return false;
    node->next = *slot;
    *slot = node;
    ++count_;
    return true;
}

bool IntHashTable::Find(uint32_t key, KeyedIterator* it) const
{
    if (bucketCount_ == 0)
        return false;
    uint32_t bucket = (key / 2) % bucketCount_;
    KeyedNode** slot = &buckets_[bucket];
    while (*slot != nullptr && (*slot)->key < key)
        slot = &(*slot)->next;
    if (*slot == nullptr || (*slot)->key != key)
        return false;
    it->slot = slot;
    it->table = this;
    it->bucket = static_cast<int>(bucket);
    return true;
}

void* IntHashTable::FindValue(uint32_t key) const
{
    KeyedIterator it;
    return Find(key, &it) ? (*it.slot)->value : nullptr;
}

void IntHashTable::Begin(KeyedIterator* it) const
{
    BeginAt(buckets_, bucketCount_, this, it);
}
bool IntHashTable::Next(KeyedIterator* it) const
{
    return Advance(buckets_, bucketCount_, it);
}

bool IntHashTable::Erase(KeyedIterator* it, void** value)
{
    if (it->slot == nullptr || *it->slot == nullptr)
        return false;
    KeyedNode* node = *it->slot;
    if (value != nullptr)
        *value = node->value;
    *it->slot = node->next;
    Zel::Alloc::Delete(node);
    --count_;
    SettleAfterErase(buckets_, bucketCount_, it);
    return true;
}

void IntHashTable::Clear()
{
    for (uint32_t i = 0; i < bucketCount_; ++i) {
        for (KeyedNode* node = buckets_[i]; node != nullptr;) {
            KeyedNode* next = node->next;
            Zel::Alloc::Delete(node);
            node = next;
        }
    }
    Zel::Alloc::Delete(buckets_);
    buckets_ = nullptr;
    bucketCount_ = count_ = 0;
}

StringHashTable::~StringHashTable()
{
    Clear();
}

bool StringHashTable::Make(uint32_t buckets)
{
    Clear();
    if (buckets == 0)
        return false;
    buckets_ = MakeBuckets(buckets);
    if (buckets_ == nullptr)
        return false;
    bucketCount_ = buckets;
    return true;
}

namespace {

int CompareUnsigned(const char* a, const char* b)
{
    return std::strcmp(a, b);  // strcmp compares as unsigned char
}

}  // namespace

bool StringHashTable::Insert(const char* key, void* value)
{
    if (bucketCount_ == 0 || key == nullptr)
        return false;
    KeyedNode** slot = &buckets_[ScriptHash(key) % bucketCount_];
    while (*slot != nullptr) {
        int order = CompareUnsigned(KeyText(*slot), key);
        if (order == 0)
            return false;
        if (order > 0)
            break;
        slot = &(*slot)->next;
    }
    size_t length = std::strlen(key);
    char* copy = static_cast<char*>(Zel::Alloc::TryNew(length + 1));
    if (copy == nullptr)
        return false;
    std::memcpy(copy, key, length + 1);
    KeyedNode* node = NewNode(reinterpret_cast<uintptr_t>(copy), value);
    if (node == nullptr) {
        Zel::Alloc::Delete(copy);
        return false;
    }
    node->next = *slot;
    *slot = node;
    ++count_;
    return true;
}

bool StringHashTable::Find(const char* key, KeyedIterator* it) const
{
    if (bucketCount_ == 0 || key == nullptr)
        return false;
    uint32_t bucket = ScriptHash(key) % bucketCount_;
    KeyedNode** slot = &buckets_[bucket];
    while (*slot != nullptr) {
        int order = CompareUnsigned(KeyText(*slot), key);
        if (order == 0) {
            it->slot = slot;
            it->table = this;
            it->bucket = static_cast<int>(bucket);
            return true;
        }
        if (order > 0)
            return false;
        slot = &(*slot)->next;
    }
    return false;
}

void StringHashTable::Begin(KeyedIterator* it) const
{
    BeginAt(buckets_, bucketCount_, this, it);
}
bool StringHashTable::Next(KeyedIterator* it) const
{
    return Advance(buckets_, bucketCount_, it);
}

bool StringHashTable::Erase(KeyedIterator* it, void** value)
{
    if (it->slot == nullptr || *it->slot == nullptr)
        return false;
    KeyedNode* node = *it->slot;
    if (value != nullptr)
        *value = node->value;
    *it->slot = node->next;
    Zel::Alloc::Delete(reinterpret_cast<char*>(node->key));
    Zel::Alloc::Delete(node);
    --count_;
    SettleAfterErase(buckets_, bucketCount_, it);
    return true;
}

void StringHashTable::Clear()
{
    for (uint32_t i = 0; i < bucketCount_; ++i) {
        for (KeyedNode* node = buckets_[i]; node != nullptr;) {
            KeyedNode* next = node->next;
            Zel::Alloc::Delete(reinterpret_cast<char*>(node->key));
            Zel::Alloc::Delete(node);
            node = next;
        }
    }
    Zel::Alloc::Delete(buckets_);
    buckets_ = nullptr;
    bucketCount_ = count_ = 0;
}

}  // namespace Utils
