// ListNode: an intrusive doubly linked node that knows the list it belongs to.
#pragma once

class ListNode;

// The owning list of intrusive nodes: {head, tail}.
class ListNodeList {
public:
    ListNodeList() = default;
    ListNodeList(const ListNodeList&) = delete;
    ListNodeList& operator=(const ListNodeList&) = delete;
    // Nodes still linked are unlinked, so none points at a dead list.
    ~ListNodeList();

    ListNode* Head() const { return head_; }
    ListNode* Tail() const { return tail_; }
    bool IsEmpty() const { return head_ == nullptr; }

    // A node already in a list is unlinked from it first.
    void PushBack(ListNode& node);
    void PushFront(ListNode& node);

private:
    friend class ListNode;
    void LinkBetween(ListNode& node, ListNode* previous, ListNode* next);

    ListNode* head_ = nullptr;
    ListNode* tail_ = nullptr;
};

class ListNode {
public:
    ListNode() = default;
    ListNode(const ListNode&) = delete;
    ListNode& operator=(const ListNode&) = delete;
    virtual ~ListNode() { Unlink(); }

    // Links the neighbours to each other (or fixes the list's head and tail)
    // and clears the node's three fields; nothing when the node is in no list.
    void Unlink();

    ListNode* Previous() const { return previous_; }
    ListNode* Next() const { return next_; }
    ListNodeList* Owner() const { return owner_; }

private:
    friend class ListNodeList;
    ListNode* previous_ = nullptr;
    ListNode* next_ = nullptr;
    ListNodeList* owner_ = nullptr;
};
