// Intrusive circular double-link list through a sentinel.
#pragma once

#include <cstdint>

namespace Utils {

class IDoubleLinkListNode {
public:
    virtual ~IDoubleLinkListNode() = default;
    IDoubleLinkListNode* next = nullptr;
    IDoubleLinkListNode* previous = nullptr;
};

class DoubleLinkList {
public:
    DoubleLinkList() { sentinel_.next = sentinel_.previous = &sentinel_; }
    ~DoubleLinkList() { Clear(); }
    DoubleLinkList(const DoubleLinkList&) = delete;
    DoubleLinkList& operator=(const DoubleLinkList&) = delete;

    void PushBack(IDoubleLinkListNode* node);
    void PushFront(IDoubleLinkListNode* node);
    // Null when empty.
    IDoubleLinkListNode* First() const { return sentinel_.next == &sentinel_ ? nullptr : sentinel_.next; }
    // Null after the last node.
    IDoubleLinkListNode* After(const IDoubleLinkListNode* node) const
    {
        return node->next == &sentinel_ ? nullptr : node->next;
    }
    const IDoubleLinkListNode* End() const { return &sentinel_; }
    // Unlinks `node` (which must be in this list).
    void Unlink(IDoubleLinkListNode* node);
    // Unlinks every node without deleting it.
    void Clear();
    // Unlinks and deletes every node.
    void DeleteAll();
    uint32_t Count() const { return count_; }

private:
    IDoubleLinkListNode sentinel_;
    uint32_t count_ = 0;
};

}  // namespace Utils
