// Message pipes: delegation, broadcast to the attached pipes, and closing.
#include "results/nu_message.h"

int NuMessageRecipient::ReceiveMessage(const NuMessageData& message)
{
    NuMessageRecipient* delegate = GetDelegate();
    if (delegate == nullptr)
        return 1;
    return delegate->ReceiveMessage(message);
}

NuMessageRecipient::~NuMessageRecipient()
{
    CloseAllPipes();
}

void NuMessageRecipient::AttachPipe(NuMessagePipe& pipe)
{
    pipes_.PushBack(pipe);
}

void NuMessageRecipient::Broadcast(const NuMessageData& message)
{
    // The successor is read before the call: a peer may close its own pipe
    // while it handles the message.
    ListNode* node = pipes_.Head();
    while (node != nullptr) {
        ListNode* next = node->Next();
        NuMessageRecipient* peer = static_cast<NuMessagePipe*>(node)->Peer();
        if (peer != nullptr)
            peer->ReceiveMessage(message);
        node = next;
    }
}

void NuMessageRecipient::CloseAllPipes()
{
    while (ListNode* node = pipes_.Head())
        static_cast<NuMessagePipe*>(node)->Close();
}

void NuMessagePipe::Close()
{
    NuMessageRecipient* peer = peer_;
    peer_ = nullptr;
    Unlink();
    if (peer == nullptr)
        return;
    NuMessageData closed(Zel::PString("pipe-closed"), tag_);
    peer->ReceiveMessage(closed);
}
