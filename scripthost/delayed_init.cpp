// Running a client's pending stages, and queueing and dequeuing clients on a manager.
#include "scripthost/delayed_init.h"

#include <algorithm>

void DelayedInitClient::RunPendingStages()
{
    if ((flags_ & Stage1Done) == 0)
        Stage1();
    if ((flags_ & Stage2Done) == 0)
        Stage2();
    if ((flags_ & Stage3Done) == 0)
        Stage3();
}

void DelayedInitClient::CompleteNow(DelayedInitManager& manager)
{
    RunPendingStages();
    manager.Dequeue(this);
}

void DelayedInitManager::Queue(DelayedInitClient* client)
{
    const uint8_t flags = client->flags_;
    if ((flags & DelayedInitClient::AllStagesDone) == DelayedInitClient::AllStagesDone ||
        (flags & DelayedInitClient::Queued) != 0)
        return;
    client->flags_ |= DelayedInitClient::Queued;
    pending_.push_back(client);
}

void DelayedInitManager::Dequeue(DelayedInitClient* client)
{
    if (!client->IsQueued())
        return;
    // Clients usually leave in the order they came, so the newest is tried first.
    auto found = std::find(pending_.rbegin(), pending_.rend(), client);
    if (found != pending_.rend()) {
        if (walking_ != 0)
            *found = nullptr;
        else
            pending_.erase(std::next(found).base());
    }
    client->flags_ &= uint8_t(~DelayedInitClient::Queued);
}

void DelayedInitManager::CompleteAll()
{
    walking_ = 1;
    // By index: a stage may queue further clients at the end.
    for (size_t i = 0; i < pending_.size(); ++i) {
        if (DelayedInitClient* client = pending_[i])
            client->CompleteNow(*this);
    }
    walking_ = 0;
    pending_.erase(std::remove(pending_.begin(), pending_.end(), nullptr), pending_.end());
}
