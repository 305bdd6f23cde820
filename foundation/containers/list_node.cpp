// Linking and unlinking of intrusive list nodes.
#include "foundation/containers/list_node.h"

ListNodeList::~ListNodeList()
{
    while (head_ != nullptr)
        head_->Unlink();
}

void ListNodeList::LinkBetween(ListNode& node, ListNode* previous, ListNode* next)
{
    node.owner_ = this;
    node.previous_ = previous;
    node.next_ = next;
    if (previous != nullptr)
        previous->next_ = &node;
    else
        head_ = &node;
    if (next != nullptr)
        next->previous_ = &node;
    else
        tail_ = &node;
}

void ListNodeList::PushBack(ListNode& node)
{
    node.Unlink();
    LinkBetween(node, tail_, nullptr);
}

void ListNodeList::PushFront(ListNode& node)
{
    node.Unlink();
    LinkBetween(node, nullptr, head_);
}

void ListNode::Unlink()
{
    if (owner_ == nullptr)
        return;
    if (previous_ != nullptr)
        previous_->next_ = next_;
    else
        owner_->head_ = next_;
    if (next_ != nullptr)
        next_->previous_ = previous_;
    else
        owner_->tail_ = previous_;
    previous_ = nullptr;
    next_ = nullptr;
    owner_ = nullptr;
}
