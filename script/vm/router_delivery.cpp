// GSRouter: subscriptions, immediate delivery, the ring of posted messages,
// the delay queue, the periodic step and the diagnostics.
#include <cmath>
#include <cstdio>
#include <utility>

#include "script/vm/gs_game_object.h"
#include "script/vm/gs_node.h"
#include "script/vm/gs_router.h"
#include "script/vm/script_log.h"

namespace GSRuntime {

namespace {

constexpr uint32_t kTimeMask = 0x3FFFFFFF;
constexpr uint16_t kFirstSubscribedMajor = 100;

bool g_trace = false;

uint32_t DueTime(const GSMessage* message)
{
    return message->key & kTimeMask;
}

}  // namespace

void GSRouter::SetTrace(bool on)
{
    g_trace = on;
}

bool GSRouter::Subscribe(GSNode* node, uint16_t major)
{
    if (node == nullptr || node->router_ != this)
        return false;
    ++subscriptions_[major][node];
    return true;
}

bool GSRouter::Unsubscribe(GSNode* node, uint16_t major)
{
    const auto tree = subscriptions_.find(major);
    if (tree == subscriptions_.end())
        return false;
    const auto found = tree->second.find(node);
    if (found == tree->second.end())
        return false;
    if (--found->second < 1)
        tree->second.erase(found);
    return true;
}

int32_t GSRouter::SubscriptionCount(const GSNode* node, uint16_t major) const
{
    const auto tree = subscriptions_.find(major);
    if (tree == subscriptions_.end())
        return 0;
    const auto found = tree->second.find(const_cast<GSNode*>(node));
    return found != tree->second.end() ? found->second : 0;
}

GSMessage* GSRouter::NewFrameMessage()
{
    return static_cast<GSMessage*>(frameMessages_[currentFrame_].Alloc(sizeof(GSMessage), 4));
}

GSMessage* GSRouter::AllocMessage()
{
    return static_cast<GSMessage*>(messageMemory_.Alloc());
}

void GSRouter::FreeMessage(GSMessage* message)
{
    if (message != nullptr)
        messageMemory_.Free(message);
}

void GSRouter::DeliverTo(GSNode* node, const GSMessage& message) const
{
    node->ReceiveMessage(message);
}

void GSRouter::DeliverMessage(const GSMessage& message)
{
    if (g_trace)
        TraceMessage(message);
    if (message.major == dumpMajor_ && message.minor == dumpMinor_ && (dumpMajor_ != 0 || dumpMinor_ != 0)) {
        if (message.destination != 0) {
            GSNode* node = FindNode(message.destination);
            if (node != nullptr && node->HasFlag(GSNode::kNodeGameObject))
                static_cast<GSGameObject*>(node)->DumpThreadStacks();
        } else {
            DumpAllThreadStacks();
        }
        return;
    }
    const bool subscribed = message.major >= kFirstSubscribedMajor;
    const std::map<GSNode*, int32_t>* tree = nullptr;
    if (subscribed) {
        const auto found = subscriptions_.find(message.major);
        if (found == subscriptions_.end())
            return;
        tree = &found->second;
    }
    if (message.destination != 0) {
        GSNode* node = FindNode(message.destination);
        if (node == nullptr)
            return;
        if (subscribed && (tree->count(node) == 0 || node->HasFlag(GSNode::kNodeUnsubscribed)))
            return;
        DeliverTo(node, message);
        return;
    }
    // Receivers may subscribe, unsubscribe, join or leave while the message
    // goes round: each is reached through a list taken first, and skipped
    // once it has left this router.
    std::vector<std::pair<GSNode*, int32_t>> receivers;
    if (subscribed) {
        for (const auto& [node, count] : *tree) {
            if (!node->HasFlag(GSNode::kNodeUnsubscribed))
                receivers.emplace_back(node, node->Id());
        }
    } else {
        for (Utils::IDoubleLinkListNode* at = nodes_.First(); at != nullptr; at = nodes_.After(at))
            receivers.emplace_back(static_cast<GSNode*>(at), static_cast<GSNode*>(at)->Id());
    }
    for (const auto& [node, id] : receivers) {
        if (FindNode(id) == node)
            DeliverTo(node, message);
    }
}

bool GSRouter::QueueMessage(GSMessage* message)
{
    if (message == nullptr)
        return false;
    const uint32_t delay = message->key & kTimeMask;
    if (delay == 0) {
        posted_.push_back(message);
        return true;
    }
    GSMessage* copy = AllocMessage();
    if (copy == nullptr)
        return false;
    *copy = *message;
    copy->key = (message->key & ~kTimeMask) | ((clock_ + delay) & kTimeMask);
    ++delayCount_;
    if (delayed_.size() <= delayCount_)
        delayed_.resize(delayCount_ + 1, nullptr);
    // Equal due times never overtake the entry above them.
    uint32_t i = delayCount_;
    while (i > 1 && delayed_[i / 2] != nullptr && DueTime(copy) < DueTime(delayed_[i / 2])) {
        delayed_[i] = delayed_[i / 2];
        i /= 2;
    }
    delayed_[i] = copy;
    return true;
}

void GSRouter::SiftDown(uint32_t i)
{
    GSMessage* entry = delayed_[i];
    while (2 * i <= delayCount_) {
        uint32_t child = 2 * i;
        if (child + 1 <= delayCount_ && DueTime(delayed_[child + 1]) < DueTime(delayed_[child]))
            ++child;
        if (DueTime(entry) < DueTime(delayed_[child]))
            break;
        delayed_[i] = delayed_[child];
        i = child;
    }
    delayed_[i] = entry;
}

void GSRouter::RemoveDelayed(uint32_t i)
{
    delayed_[i] = delayed_[delayCount_];
    delayed_[delayCount_] = nullptr;
    --delayCount_;
    if (i <= delayCount_)
        SiftDown(i);
}

void GSRouter::ClearQueuedMessages(GSNode* node, const char* major, const char* minor)
{
    if (node == nullptr)
        return;
    const uint16_t majorId = InternName(major);
    const uint16_t minorId = InternName(minor);
    int removed = 0;
    for (uint32_t i = delayCount_; i >= 1; --i) {
        if (i > delayCount_)
            continue;
        GSMessage* message = delayed_[i];
        if (message->destination != node->Id() || message->major != majorId ||
            (minorId != 1 && message->minor != minorId)) {
            continue;
        }
        RemoveDelayed(i);
        FreeMessage(message);
        ++removed;
    }
    if (removed > 0 && GSLogEnabled()) {
        GSLog("%d queued router messages cleared for %04d '%s', message %s, %s", removed, node->Id(),
              node->GetName().c_str(), major != nullptr ? major : "", minor != nullptr ? minor : "");
    }
}

void GSRouter::Step(float dt)
{
    // Milliseconds (rounded: 0.015f is a hair below 15 ms); a negative or NaN
    // step does not turn the clock back.
    const double ticks = std::isfinite(dt) && dt > 0.0f ? std::round(double(dt) * 1000.0) : 0.0;
    clock_ = (clock_ + static_cast<uint32_t>(std::fmod(ticks, double(kTimeMask) + 1.0))) & kTimeMask;
    // What was posted so far lives in the current frame memory; the other
    // one backs only messages that the previous step delivered.
    const size_t postedBefore = posted_.size();
    const int older = 1 - currentFrame_;
    frameMessages_[older].ReleaseAll();
    frameMessages_[older].Init(2048);
    currentFrame_ = older;
    while (delayCount_ > 0 && DueTime(delayed_[1]) <= clock_) {
        GSMessage* message = delayed_[1];
        RemoveDelayed(1);
        DeliverMessage(*message);
        FreeMessage(message);
    }
    for (size_t i = 0; i < postedBefore && !posted_.empty(); ++i) {
        const GSMessage* message = posted_.front();
        posted_.pop_front();
        DeliverMessage(*message);
    }
    std::vector<std::pair<GSNode*, int32_t>> due;
    for (GSNode* node : scheduled_)
        due.emplace_back(node, node->Id());
    scheduled_.clear();
    for (const auto& [node, id] : due) {
        if (FindNode(id) != node)
            continue;
        node->scheduled_ = false;
        if (node->HasFlag(GSNode::kNodeDeleteRequested)) {
            // Nothing refers to it any more: it leaves, and goes.
            RemoveNode(node);
            delete node;
            continue;
        }
        node->Process(dt);
    }
}

std::string GSRouter::Describe(const GSMessage& message) const
{
    const GSNode* source = FindNode(message.source);
    const GSNode* destination = FindNode(message.destination);
    char text[1024];
    std::snprintf(text, sizeof text, "router message from %04d '%s' to %04d '%s', message %s, %s", message.source,
                  source != nullptr ? source->GetName().c_str() : "", message.destination,
                  destination != nullptr ? destination->GetName().c_str() : "", NameOf(message.major).c_str(),
                  NameOf(message.minor).c_str());
    return text;
}

void GSRouter::DescribeMessage(const GSMessage& message, std::string* text) const
{
    *text += Describe(message);
    *text += "\n";
}

void GSRouter::TraceMessage(const GSMessage& message) const
{
    const Zel::String& major = NameOf(message.major);
    const Zel::String& minor = NameOf(message.minor);
    if ((major == "Train" && minor == "ThrottleChanged") || minor == "Tick")
        return;
    if (g_trace)
        GSLog("%s", Describe(message).c_str());
}

void GSRouter::PrintInfo() const
{
    if (!GSLogEnabled())
        return;
    GSLog("ROUTER INFO\n===========");
    GSLog("%d Node(s)", static_cast<int>(nodes_.Count()));
    GSLog("%d Message(s) in the delay queue", static_cast<int>(delayCount_));
    GSLog("%d Major types", static_cast<int>(idCounter_));
    GSLog("%d Message allocations", static_cast<int>(messageMemory_.LiveCount()));
    GSLog("%d Frame message allocations", static_cast<int>(frameMessages_[currentFrame_].AllocationCount()));
    GSLog("%d Posted messages", static_cast<int>(posted_.size()));
    GSLog("%d Subscription AVL trees", static_cast<int>(subscriptions_.size()));
}

void GSRouter::DumpAllThreadStacks() const
{
    if (!GSLogEnabled())
        return;
    GSLog("*** DUMPING ALL THREAD STACKS ***");
    for (Utils::IDoubleLinkListNode* at = nodes_.First(); at != nullptr; at = nodes_.After(at)) {
        GSNode* node = static_cast<GSNode*>(at);
        if (node->HasFlag(GSNode::kNodeGameObject))
            static_cast<GSGameObject*>(node)->DumpThreadStacks();
    }
}

}  // namespace GSRuntime
