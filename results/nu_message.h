// Message pipes: recipients, the pipes that link a source to its listeners, and the messages sent through them.
#pragma once

#include <cstdint>

#include "foundation/containers/list_node.h"
#include "zel/pstring.h"

// One message: an interned name and one pointer-sized argument. The names in
// use are "list-updated" and "list-destroyed" (argument: the log) and
// "pipe-closed" (argument: the pipe's tag).
class NuMessageData {
public:
    NuMessageData(const Zel::PString& name, intptr_t argument) : name_(name), argument_(argument) {}
    virtual ~NuMessageData() = default;

    const Zel::PString& Name() const { return name_; }
    intptr_t Argument() const { return argument_; }

private:
    Zel::PString name_;
    intptr_t argument_;
};

class NuMessagePipe;

// Something that receives messages and holds the pipes through which it tells
// its listeners about itself.
class NuMessageRecipient {
public:
    NuMessageRecipient() = default;
    NuMessageRecipient(const NuMessageRecipient&) = delete;
    NuMessageRecipient& operator=(const NuMessageRecipient&) = delete;

    // The object that answers for this one; none in the base.
    virtual NuMessageRecipient* GetDelegate() { return nullptr; }
    // Forwards to the delegate and returns its answer; 1 without a delegate.
    virtual int ReceiveMessage(const NuMessageData& message);
    // Closes every pipe still attached, telling each peer "pipe-closed".
    virtual ~NuMessageRecipient();
    virtual int Reserved() { return 0; }

    // Links a pipe into this recipient's list, so that the pipe's peer hears
    // what this recipient broadcasts. The caller keeps the pipe alive.
    void AttachPipe(NuMessagePipe& pipe);
    // Sends the message to every attached pipe's peer.
    void Broadcast(const NuMessageData& message);
    // Closes every attached pipe.
    void CloseAllPipes();
    bool HasPipes() const { return !pipes_.IsEmpty(); }

private:
    ListNodeList pipes_;
};

// A node of a recipient's pipe list: the peer that listens and an int tag that
// the peer uses to tell its pipes apart.
class NuMessagePipe : public ListNode {
public:
    NuMessagePipe(NuMessageRecipient* peer, int tag) : peer_(peer), tag_(tag) {}

    NuMessageRecipient* Peer() const { return peer_; }
    int Tag() const { return tag_; }
    bool IsAttached() const { return Owner() != nullptr; }

    // Takes the peer and clears it, leaves the recipient's list and, when
    // there was a peer, sends it "pipe-closed" with the tag.
    void Close();

private:
    NuMessageRecipient* peer_;
    int tag_;
};
