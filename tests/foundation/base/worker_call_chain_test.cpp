// The worker call chain: calls run one after another on their threads; a dropped call fails the chain.
#include "foundation/base/worker_call_chain.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "foundation/base/job_dispatcher.h"
#include "job_test_support.h"

namespace {

class WorkerCallChainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMainThreadId();
        chain.SetDispatcher(&dispatcher);
    }

    // Appends a call that records its step number and thread.
    void AppendStep(int step, std::uint32_t flags)
    {
        chain.Append(new TraceJob(traces[step],
                                  [this, step] {
                                      std::lock_guard<std::mutex> hold(orderLock);
                                      order.push_back(step);
                                  }),
                     flags);
    }

    JobDispatcher dispatcher;
    KorvelWorkerCallChain chain;
    JobTrace traces[3];
    std::mutex orderLock;
    std::vector<int> order;
};

// The texture conversion's shape: main thread, worker, main thread.
TEST_F(WorkerCallChainTest, CallsRunInOrderEachOnItsOwnKindOfThread)
{
    AppendStep(0, JobMainThreadOnly | 2);
    AppendStep(1, JobNeverOnMainThread);
    AppendStep(2, JobMainThreadOnly);
    chain.Start();
    EXPECT_TRUE(chain.IsBusy());
    chain.WaitUntilDone();

    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(traces[0].thread.load(), CurrentThreadId());
    EXPECT_NE(traces[1].thread.load(), CurrentThreadId());
    EXPECT_EQ(traces[2].thread.load(), CurrentThreadId());
    EXPECT_EQ(traces[1].argument.load(), 0);  // calls run with argument 0
    EXPECT_FALSE(chain.IsBusy());
    EXPECT_FALSE(chain.HasFailed());
    EXPECT_EQ(chain.GetQueuedCount(), 0u);
    EXPECT_FALSE(chain.IsDone());  // the wait resets the done event
}

TEST_F(WorkerCallChainTest, CancelledCallFailsTheChainAndEndsTheWait)
{
    AppendStep(0, JobMainThreadOnly);
    AppendStep(1, JobMainThreadOnly);
    chain.Start();
    // Calls are posted with the chain as their argument and cancel key.
    dispatcher.CancelJobs(reinterpret_cast<intptr_t>(&chain), false);
    chain.WaitUntilDone();
    EXPECT_TRUE(chain.HasFailed());
    EXPECT_FALSE(chain.IsBusy());
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(chain.GetQueuedCount(), 2u);  // deleted with the chain
}

TEST_F(WorkerCallChainTest, StoppedDispatcherFailsTheChainAtStart)
{
    AppendStep(0, JobNeverOnMainThread);
    dispatcher.Stop();
    chain.Start();
    chain.WaitUntilDone();
    EXPECT_TRUE(chain.HasFailed());
    EXPECT_EQ(traces[0].runs.load(), 0);
}

TEST_F(WorkerCallChainTest, WaitWithoutStartAndStartWithoutCallsReturnAtOnce)
{
    chain.WaitUntilDone();
    chain.Start();
    EXPECT_FALSE(chain.IsBusy());
    chain.WaitUntilDone();
    EXPECT_FALSE(chain.HasFailed());
}

TEST_F(WorkerCallChainTest, ChainCanRunAgainAfterAppendingMoreCalls)
{
    AppendStep(0, JobNeverOnMainThread);
    chain.Start();
    chain.WaitUntilDone();
    AppendStep(1, JobMainThreadOnly);
    chain.Start();
    chain.WaitUntilDone();
    EXPECT_EQ(order, (std::vector<int>{0, 1}));
}

}  // namespace
