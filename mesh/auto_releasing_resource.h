// Resources that can be released on demand: the intrusive list that chains them and its process-wide head.
#pragma once

template <class T>
class LinkedListHead;

// A member of at most one list; leaving its list when destroyed.
template <class T>
class LinkedListNode {
public:
    LinkedListNode() = default;
    virtual ~LinkedListNode()
    {
        if (head_ != nullptr)
            head_->Remove(this);
    }
    LinkedListNode(const LinkedListNode&) = delete;
    LinkedListNode& operator=(const LinkedListNode&) = delete;

    LinkedListNode* Next() const { return next_; }
    LinkedListNode* Previous() const { return previous_; }
    LinkedListHead<T>* Head() const { return head_; }

private:
    friend class LinkedListHead<T>;
    LinkedListNode* next_ = nullptr;
    LinkedListNode* previous_ = nullptr;
    LinkedListHead<T>* head_ = nullptr;
};

template <class T>
class LinkedListHead {
public:
    LinkedListHead() = default;
    // Unlinks every node (the nodes themselves are not deleted), so their own
    // destructors find no list to leave.
    virtual ~LinkedListHead()
    {
        while (first_ != nullptr && first_->head_ == this)
            Remove(first_);
    }
    LinkedListHead(const LinkedListHead&) = delete;
    LinkedListHead& operator=(const LinkedListHead&) = delete;

    void Append(LinkedListNode<T>* node)
    {
        if (node == nullptr || node->head_ != nullptr)
            return;
        node->head_ = this;
        node->previous_ = last_;
        node->next_ = nullptr;
        (last_ ? last_->next_ : first_) = node;
        last_ = node;
    }

    // Unlinks a node of this list and clears its links; a node of another
    // list is returned untouched.
    virtual LinkedListNode<T>* Remove(LinkedListNode<T>* node)
    {
        if (node == nullptr || node->head_ != this)
            return node;
        (node->previous_ ? node->previous_->next_ : first_) = node->next_;
        (node->next_ ? node->next_->previous_ : last_) = node->previous_;
        node->next_ = nullptr;
        node->previous_ = nullptr;
        node->head_ = nullptr;
        return node;
    }

    LinkedListNode<T>* First() const { return first_; }
    LinkedListNode<T>* Last() const { return last_; }

private:
    LinkedListNode<T>* first_ = nullptr;
    LinkedListNode<T>* last_ = nullptr;
};

// A holder of something it can give back when asked.
class AutoReleasingResource {
public:
    AutoReleasingResource() = default;
    virtual ~AutoReleasingResource() = default;
    AutoReleasingResource(const AutoReleasingResource&) = delete;
    AutoReleasingResource& operator=(const AutoReleasingResource&) = delete;

    virtual void Release() = 0;

    LinkedListNode<AutoReleasingResource>& Node() { return node_; }

private:
    LinkedListNode<AutoReleasingResource> node_;
};

// The process's list of such resources: empty until something is added,
// emptied (not deleted) at exit.
LinkedListHead<AutoReleasingResource>& AutoReleasingResources();
