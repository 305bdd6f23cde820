// GSNode: delete requests, scheduling and leaving the router.
#include "script/vm/gs_node.h"

#include "script/vm/gs_router.h"

namespace GSRuntime {

GSNode::~GSNode()
{
    flags_ &= ~kNodeDeleteRequested;
    if (router_ != nullptr)
        router_->RemoveNode(this);
}

Zel::PString GSNode::GetName() const
{
    return Zel::PString("");
}

bool GSNode::ReceiveMessage(const GSMessage& message)
{
    if (message.major != kMessageDeleteRequest)
        return false;
    flags_ |= kNodeDeleteRequested;
    return true;
}

void GSNode::Process(float dt)
{
    if (dt > 0.0f)
        scheduled_ = false;
}

void GSNode::Schedule()
{
    if (router_ == nullptr && HasFlag(kNodeDeleteRequested)) {
        delete this;
        return;
    }
    if (scheduled_)
        return;
    scheduled_ = true;
    if (router_ != nullptr)
        router_->Schedule(this);
}

void GSNode::RequestDelete()
{
    flags_ |= kNodeDeleteRequested;
    Schedule();
}

}  // namespace GSRuntime
