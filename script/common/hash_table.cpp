// Node-based chained hash table of the script toolchain.
#include "script/common/hash_table.h"

#include <cstring>
#include <new>

#include "zel/alloc.h"

namespace Utils {

HashTable::~HashTable() { FreeBuckets(); }

bool HashTable::Make(uint32_t buckets) {
  FreeBuckets();
  if (buckets == 0) return false;
  try {
    buckets_ = static_cast<IHashNode**>(Zel::Alloc::New(buckets * sizeof(IHashNode*)));
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::memset(buckets_, 0, buckets * sizeof(IHashNode*));
  bucketCount_ = buckets;
  return true;
}

bool HashTable::Insert(IHashNode* node) {
  if (bucketCount_ == 0) return false;
  IHashNode** slot = &buckets_[node->Hash() % bucketCount_];
  while (*slot != nullptr) {
    int order = node->Compare(**slot);
    if (order == 0) return false;
    if (order < 0) break;
    slot = &(*slot)->chainNext;
  }
  node->chainNext = *slot;
  *slot = node;
  ++count_;
  return true;
}

bool HashTable::Find(const IHashNode& probe, Iterator* it) const {
  if (bucketCount_ == 0) return false;
  uint32_t bucket = probe.Hash() % bucketCount_;
  IHashNode** slot = &buckets_[bucket];
  while (*slot != nullptr) {
    int order = probe.Compare(**slot);
    if (order == 0) {
      it->slot = slot;
      it->table = this;
      it->bucket = static_cast<int>(bucket);
      return true;
    }
    if (order < 0) return false;
    slot = &(*slot)->chainNext;
  }
  return false;
}

IHashNode* HashTable::Find(const IHashNode& probe) const {
  Iterator it;
  return Find(probe, &it) ? *it.slot : nullptr;
}

bool HashTable::Remove(IHashNode* node) {
  if (bucketCount_ == 0) return false;
  IHashNode** slot = &buckets_[node->Hash() % bucketCount_];
  for (; *slot != nullptr; slot = &(*slot)->chainNext) {
    if (*slot == node) {
      *slot = node->chainNext;
      node->chainNext = nullptr;
      --count_;
      return true;
    }
  }
  return false;
}

void HashTable::Begin(Iterator* it) const {
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

bool HashTable::Next(Iterator* it) {
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

void HashTable::FreeBuckets() {
  Zel::Alloc::Delete(buckets_);
  buckets_ = nullptr;
  bucketCount_ = 0;
  count_ = 0;
}

}  // namespace Utils
