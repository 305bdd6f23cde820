// GSNode: delete requests, scheduling and leaving the router.
#include "script/vm/gs_node.h"

#include "script/vm/gs_router.h"
#include "script/vm/script_log.h"

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

bool GSNode::Subscribe(uint16_t major)
{
    return router_ != nullptr && router_->Subscribe(this, major);
}

bool GSNode::Unsubscribe(uint16_t major)
{
    return router_ != nullptr && router_->Unsubscribe(this, major);
}

GSMessage* GSNode::RequestMessage(const char* major, const char* minor, int32_t destination, uint32_t delay)
{
    if (router_ == nullptr) {
        GSLog("GSNode::RequestMessage> source is not attached to router");
        return nullptr;
    }
    GSMessage* message = router_->NewFrameMessage();
    if (message == nullptr)
        return nullptr;
    const uint16_t minorId = router_->InternName(minor);
    const uint16_t majorId = router_->InternName(major);
    // Past the last 16-bit id a name has none: such a message could only
    // reach the wrong listeners.
    if (minorId == 0 || majorId == 0) {
        GSLog("GSNode::RequestMessage> no message id left for %s, %s", major != nullptr ? major : "",
              minor != nullptr ? minor : "");
        return nullptr;
    }
    message->major = majorId;
    message->minor = minorId;
    message->source = id_;
    message->destination = destination;
    message->key = (delay & 0x3FFFFFFF) | 0x80000000u;
    return message;
}

}  // namespace GSRuntime
