// A chain of jobs run strictly one after another through the job dispatcher.
#include "foundation/base/worker_call_chain.h"

#include "foundation/base/job_dispatcher.h"

namespace {

// The posted step of a chain: runs the front call, and tells the chain when
// the dispatcher drops it unrun.
class ChainStepJob : public TCXCallbackCPPVoidPtr<KorvelWorkerCallChain> {
public:
    explicit ChainStepJob(KorvelWorkerCallChain* chain)
        : TCXCallbackCPPVoidPtr<KorvelWorkerCallChain>(chain, &KorvelWorkerCallChain::OnCallDone)
    {}

    void Dropped(intptr_t) override { GetObject()->OnCallDropped(); }
};

}  // namespace

KorvelWorkerCallChain::KorvelWorkerCallChain() = default;

KorvelWorkerCallChain::~KorvelWorkerCallChain()
{
    std::lock_guard<std::mutex> hold(lock_);
    for (const Call& call : calls_)
        delete call.job;
    calls_.clear();
}

void KorvelWorkerCallChain::Append(TCXCallbackBase* job, std::uint32_t flags)
{
    if (job == nullptr)
        return;
    std::lock_guard<std::mutex> hold(lock_);
    calls_.push_back(Call{job, flags | JobAsynchronous});
}

void KorvelWorkerCallChain::Start()
{
    if (GetQueuedCount() == 0)
        return;
    done_.Reset();
    failed_.store(false);
    busy_.store(true);
    if (dispatcher_ == nullptr)
        dispatcher_ = &JobDispatcher::Instance();
    StartNext();
}

void KorvelWorkerCallChain::StartNext()
{
    std::uint32_t flags = 0;
    bool haveCall = false;
    {
        std::lock_guard<std::mutex> hold(lock_);
        haveCall = !calls_.empty();
        if (haveCall)
            flags = calls_.front().flags;
    }
    if (!haveCall) {
        // Done before not-busy: a waiter that sees busy cleared must also
        // find the event set, or it would leave it set behind it.
        done_.Set();
        busy_.store(false);
        return;
    }
    if (dispatcher_ == nullptr)
        dispatcher_ = &JobDispatcher::Instance();
    // A refused post has already told the chain through OnCallDropped.
    dispatcher_->Post(flags, reinterpret_cast<intptr_t>(this), nullptr, new ChainStepJob(this));
}

void KorvelWorkerCallChain::OnCallDone(intptr_t)
{
    TCXCallbackBase* job = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (calls_.empty())
            return;
        job = calls_.front().job;
    }
    GuardedJobCall(0, job);
    {
        std::lock_guard<std::mutex> hold(lock_);
        calls_.pop_front();
    }
    delete job;
    StartNext();
}

void KorvelWorkerCallChain::OnCallDropped()
{
    failed_.store(true);
    done_.Set();
    busy_.store(false);
}

void KorvelWorkerCallChain::WaitUntilDone()
{
    JobDispatcher& dispatcher = dispatcher_ != nullptr ? *dispatcher_ : JobDispatcher::Instance();
    // A chain that is not running would never set the event again.
    while (busy_.load() && !done_.IsSet()) {
        if (dispatcher.RunPending(0) == 0)
            done_.Wait(10);
    }
    done_.Reset();
}

bool KorvelWorkerCallChain::IsDone() const
{
    return done_.IsSet();
}

std::size_t KorvelWorkerCallChain::GetQueuedCount() const
{
    std::lock_guard<std::mutex> hold(lock_);
    return calls_.size();
}
