// Intrusive double-link list of the script toolchain.
#include "script/common/double_link_list.h"

namespace Utils {

void DoubleLinkList::PushBack(IDoubleLinkListNode* node)
{
    node->previous = sentinel_.previous;
    node->next = &sentinel_;
    sentinel_.previous->next = node;
    sentinel_.previous = node;
    ++count_;
}

void DoubleLinkList::PushFront(IDoubleLinkListNode* node)
{
    node->next = sentinel_.next;
    node->previous = &sentinel_;
    sentinel_.next->previous = node;
    sentinel_.next = node;
    ++count_;
}

void DoubleLinkList::Unlink(IDoubleLinkListNode* node)
{
    node->previous->next = node->next;
    node->next->previous = node->previous;
    node->next = node->previous = nullptr;
    --count_;
}

void DoubleLinkList::Clear()
{
    while (sentinel_.next != &sentinel_)
        Unlink(sentinel_.next);
}

void DoubleLinkList::DeleteAll()
{
    while (sentinel_.next != &sentinel_) {
        IDoubleLinkListNode* node = sentinel_.next;
        Unlink(node);
        delete node;
    }
}

}  // namespace Utils
