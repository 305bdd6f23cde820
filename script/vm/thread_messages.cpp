// GSThread and messages: the wait blocks of a pending wait, the queue of
// messages that arrive while the thread is busy, and the resumption of a
// waiting thread.
#include <string>

#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_thread.h"

namespace GSRuntime {

namespace {

GSRouter* RouterOfOwner(const GSGameObject* owner)
{
    return owner != nullptr ? owner->RouterOf() : nullptr;
}

}  // namespace

const GSThread::Block* GSThread::MatchingBlock(const GSMessage& message) const
{
    for (const Block& block : blocks_) {
        if (block.major == message.major && (block.minor == message.minor || block.minor == 1))
            return &block;
    }
    return nullptr;
}

void GSThread::AddWaitBlock(uint16_t major, uint16_t minor, int32_t handlerOffset)
{
    blocks_.push_back(Block{major, minor, handlerOffset});
    if (owner_ != nullptr)
        owner_->Subscribe(major);
}

void GSThread::WithdrawWaitBlocks()
{
    if (owner_ != nullptr && owner_->RouterOf() != nullptr) {
        for (const Block& block : blocks_)
            owner_->Unsubscribe(block.major);
    }
    blocks_.clear();
}

void GSThread::DropQueue()
{
    GSRouter* router = RouterOfOwner(owner_);
    for (size_t i = queue_.size(); i-- > 0;) {
        if (router != nullptr)
            router->FreeMessage(queue_[i]);
    }
    queue_.clear();
}

void GSThread::Resume(const Block& block, const GSMessage& message)
{
    resumeOffset_ = block.handlerOffset;
    // The slot owns the new object's one count; without a "Message" class the
    // handler gets null rather than nothing.
    Slot* handle = owner_->GetContext()->MakeMessageObject(message);
    stack_.Push(Slot::FromPointer(handle));
    state_ = kThreadRunnable;
    sleepTimer_ = 0.0f;
}

bool GSThread::ReceiveMessage(const GSMessage& message, bool queue)
{
    GSRouter* router = RouterOfOwner(owner_);
    if (router == nullptr || owner_->GetContext() == nullptr)
        return false;
    const Block* block = MatchingBlock(message);
    if (block == nullptr)
        return false;
    if (state_ == kThreadBlocked) {
        Resume(*block, message);
        return true;
    }
    if (!queue)
        return true;
    if (queue_.size() < kQueueCapacity) {
        // With no copy to be had the message is dropped.
        if (GSMessage* copy = router->AllocMessage()) {
            *copy = message;
            queue_.push_back(copy);
        }
        return true;
    }
    std::string report =
        "Message Queue Overflow for node " + std::to_string(owner_->Id()) + " (discarded message follows)\n";
    router->DescribeMessage(message, &report);
    report += " thread state is " + std::to_string(state_) + "\n";
    report += " messages already in queue follow:\n";
    for (const GSMessage* queued : queue_)
        router->DescribeMessage(*queued, &report);
    ReportException(report.c_str(), true);
    DropQueue();
    return true;
}

bool GSThread::FilterQueueOnWait()
{
    GSRouter* router = RouterOfOwner(owner_);
    std::vector<GSMessage*> kept;
    bool resumed = false;
    for (GSMessage* message : queue_) {
        const Block* block = MatchingBlock(*message);
        if (block != nullptr && !resumed && state_ == kThreadBlocked && owner_->GetContext() != nullptr) {
            Resume(*block, *message);
            resumed = true;
        } else if (block != nullptr && resumed) {
            kept.push_back(message);
            continue;
        }
        if (router != nullptr)
            router->FreeMessage(message);
    }
    queue_ = std::move(kept);
    return state_ == kThreadRunnable;
}

}  // namespace GSRuntime
