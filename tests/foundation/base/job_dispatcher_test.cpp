// Jobs on workers and on the main thread: flags, waiting, pumping masks, cancelling and stopping.
#include "foundation/base/job_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "foundation/base/crash_guard.h"
#include "foundation/base/process_values.h"
#include "job_test_support.h"

namespace {

// Another thread posts one synchronous job; Post's result is kept.
class PostingThread {
public:
    PostingThread(JobDispatcher& dispatcher, std::uint32_t flags, intptr_t key, TCXCallbackBase* job)
        : thread_([this, &dispatcher, flags, key, job] {
              result_ = dispatcher.Post(flags, key, nullptr, job);
              returned_.store(true);
          })
    {}
    ~PostingThread() { Join(); }

    bool HasReturned() const { return returned_.load(); }
    bool Join()
    {
        if (thread_.joinable())
            thread_.join();
        return result_;
    }

private:
    std::atomic<bool> returned_{false};
    bool result_ = false;
    std::thread thread_;
};

class JobDispatcherTest : public ::testing::Test {
protected:
    void SetUp() override { SetMainThreadId(); }

    JobDispatcher dispatcher;
};

TEST_F(JobDispatcherTest, SynchronousJobAllowedHereRunsBeforePostReturns)
{
    JobTrace trace;
    EXPECT_TRUE(dispatcher.Post(0, 42, nullptr, new TraceJob(trace)));
    EXPECT_EQ(trace.runs.load(), 1);
    EXPECT_EQ(trace.thread.load(), CurrentThreadId());
    EXPECT_EQ(trace.argument.load(), 42);
    EXPECT_TRUE(trace.destroyed.load());
    EXPECT_FALSE(dispatcher.HasPending());
}

struct PlacementCase {
    std::uint32_t flags;
    bool runsOnMainThread;
};

class JobPlacementTest : public JobDispatcherTest, public ::testing::WithParamInterface<PlacementCase> {};

// Asynchronous posts from the main thread: where each flag combination runs.
TEST_P(JobPlacementTest, AsynchronousJobRunsOnTheThreadItsFlagsAllow)
{
    const PlacementCase& c = GetParam();
    JobTrace trace;
    ASSERT_TRUE(dispatcher.Post(c.flags | JobAsynchronous, 1, nullptr, new TraceJob(trace)));
    if (c.runsOnMainThread) {
        WaitUntil([&] { return dispatcher.RunPending(0) >= 0 && trace.runs.load() == 1; });
        EXPECT_EQ(trace.thread.load(), CurrentThreadId());
    } else {
        EXPECT_EQ(dispatcher.RunPending(0), 0);  // passed over by the main thread
        WaitUntil([&] { return trace.runs.load() == 1; });
        EXPECT_NE(trace.thread.load(), CurrentThreadId());
    }
    WaitUntil([&] { return trace.destroyed.load(); });
}

INSTANTIATE_TEST_SUITE_P(Flags, JobPlacementTest,
                         ::testing::Values(PlacementCase{JobMainThreadOnly, true},
                                           PlacementCase{JobMainThreadOnly | 2, true},
                                           PlacementCase{JobNeverOnMainThread, false},
                                           PlacementCase{JobNeverOnMainThread | 2, false}));

TEST_F(JobDispatcherTest, MainThreadJobFromWorkerWaitsForTheMainThreadPump)
{
    JobTrace trace;
    PostingThread poster(dispatcher, JobMainThreadOnly, 5, new TraceJob(trace));
    WaitUntil([&] { return dispatcher.HasPending(); });
    EXPECT_EQ(trace.runs.load(), 0);
    EXPECT_FALSE(poster.HasReturned());
    while (!poster.HasReturned())
        dispatcher.RunPending(0);
    EXPECT_TRUE(poster.Join());
    EXPECT_EQ(trace.runs.load(), 1);
    EXPECT_EQ(trace.thread.load(), CurrentThreadId());
}

TEST_F(JobDispatcherTest, OneWakeMessageHoweverManyMainThreadJobsAreQueued)
{
    static std::atomic<std::uint32_t> lastMessage{0};
    dispatcher.SetMainThreadWakeHandler([](std::uint32_t message) { lastMessage.store(message); });
    JobTrace first, second, third;
    dispatcher.Post(JobMainThreadOnly | JobAsynchronous, 1, nullptr, new TraceJob(first));
    dispatcher.Post(JobMainThreadOnly | JobAsynchronous, 1, nullptr, new TraceJob(second));
    EXPECT_EQ(dispatcher.GetMainThreadWakeCount(), 1u);
    EXPECT_EQ(lastMessage.load(), MainThreadJobMessage);
    EXPECT_TRUE(dispatcher.WaitForMainThreadJobs(0));

    EXPECT_EQ(dispatcher.RunPending(0), 1);  // one other job was queued
    EXPECT_EQ(dispatcher.RunPending(0), 0);
    EXPECT_EQ(first.runs.load() + second.runs.load(), 2);
    EXPECT_FALSE(dispatcher.WaitForMainThreadJobs(0));

    // After the pump, the next main-thread job wakes it again.
    dispatcher.Post(JobMainThreadOnly | JobAsynchronous, 1, nullptr, new TraceJob(third));
    EXPECT_EQ(dispatcher.GetMainThreadWakeCount(), 2u);
    dispatcher.RunPending(0);
    EXPECT_EQ(third.runs.load(), 1);
}

TEST_F(JobDispatcherTest, ExtraMaskKeepsFlaggedJobsOutOfThatPump)
{
    JobTrace trace;
    dispatcher.Post(JobMainThreadOnly | JobNotFromLockWait | JobAsynchronous, 1, nullptr, new TraceJob(trace));
    EXPECT_EQ(dispatcher.RunPending(JobNotFromLockWait), 0);
    EXPECT_EQ(trace.runs.load(), 0);
    EXPECT_TRUE(dispatcher.HasPending());
    dispatcher.RunPending(0);
    EXPECT_EQ(trace.runs.load(), 1);
}

TEST_F(JobDispatcherTest, WorkerJobsNeverRunOnMainThreadPumpAndMainJobsNeverOnWorkers)
{
    // A worker started for the worker job must leave the main-only job alone.
    JobTrace mainJob, workerJob;
    dispatcher.Post(JobMainThreadOnly | JobAsynchronous, 1, nullptr, new TraceJob(mainJob));
    dispatcher.Post(JobNeverOnMainThread | JobAsynchronous, 2, nullptr, new TraceJob(workerJob));
    WaitUntil([&] { return workerJob.runs.load() == 1; });
    EXPECT_EQ(mainJob.runs.load(), 0);
    EXPECT_TRUE(dispatcher.HasPending());
    dispatcher.RunPending(0);
    EXPECT_EQ(mainJob.runs.load(), 1);
    EXPECT_EQ(mainJob.thread.load(), CurrentThreadId());
}

TEST_F(JobDispatcherTest, CancelJobsDropsQueuedJobsOfTheKeyAndSignalsTheirGroup)
{
    JobCompletionGroup group(2, true);
    JobTrace a, b, c;
    dispatcher.Post(JobMainThreadOnly | JobAsynchronous, 1, &group, new TraceJob(a));
    dispatcher.Post(JobMainThreadOnly | JobAsynchronous, 2, &group, new TraceJob(b));
    dispatcher.Post(JobMainThreadOnly | JobAsynchronous, 1, &group, new TraceJob(c));
    dispatcher.CancelJobs(1, false);

    EXPECT_TRUE(a.dropped.load() && a.destroyed.load());
    EXPECT_TRUE(c.dropped.load() && c.destroyed.load());
    EXPECT_EQ(group.GetCount(), 0);
    EXPECT_FALSE(group.GetFlag());
    EXPECT_TRUE(group.GetEvent().IsSet());
    EXPECT_FALSE(b.destroyed.load());

    EXPECT_EQ(dispatcher.RunPending(0), 0);
    EXPECT_EQ(b.runs.load(), 1);
    EXPECT_EQ(a.runs.load() + c.runs.load(), 0);
}

TEST_F(JobDispatcherTest, CancelledSynchronousPosterGetsFalseInsteadOfWaitingForever)
{
    JobTrace trace;
    PostingThread poster(dispatcher, JobMainThreadOnly, 9, new TraceJob(trace));
    WaitUntil([&] { return dispatcher.HasPending(); });
    dispatcher.CancelJobs(9, false);
    EXPECT_FALSE(poster.Join());
    EXPECT_EQ(trace.runs.load(), 0);
    EXPECT_TRUE(trace.destroyed.load());
}

TEST_F(JobDispatcherTest, CancelJobsWithWaitReturnsOnlyAfterTheRunningJobOfTheKeyEnds)
{
    std::atomic<bool> started{false}, release{false}, finished{false};
    JobTrace trace;
    dispatcher.Post(JobNeverOnMainThread | JobAsynchronous, 3, nullptr, new TraceJob(trace, [&] {
                        started.store(true);
                        WaitUntil([&] { return release.load(); });
                        finished.store(true);
                    }));
    WaitUntil([&] { return started.load(); });
    std::thread releaser([&] { release.store(true); });
    dispatcher.CancelJobs(3, true);
    EXPECT_TRUE(finished.load());
    releaser.join();
}

TEST_F(JobDispatcherTest, PostAfterStopReturnsFalseAtOnceAndDropsTheJob)
{
    dispatcher.Stop();
    EXPECT_TRUE(dispatcher.IsStopped());
    const std::uint32_t queuedFlags[] = {JobAsynchronous, JobMainThreadOnly | JobAsynchronous, JobNeverOnMainThread};
    for (std::uint32_t flags : queuedFlags) {
        JobCompletionGroup group(1, true);
        JobTrace trace;
        EXPECT_FALSE(dispatcher.Post(flags, 1, &group, new TraceJob(trace))) << flags;
        EXPECT_EQ(trace.runs.load(), 0);
        EXPECT_TRUE(trace.dropped.load() && trace.destroyed.load());
        EXPECT_EQ(group.GetCount(), 0);
    }
    EXPECT_EQ(dispatcher.RunPending(0), 0);

    // A synchronous job the caller may run itself still runs.
    JobTrace direct;
    EXPECT_TRUE(dispatcher.Post(0, 1, nullptr, new TraceJob(direct)));
    EXPECT_EQ(direct.runs.load(), 1);
}

TEST_F(JobDispatcherTest, StopFailsQueuedSynchronousPostersAndKeepsAsynchronousJobs)
{
    JobTrace waited, queued;
    PostingThread poster(dispatcher, JobMainThreadOnly, 4, new TraceJob(waited));
    WaitUntil([&] { return dispatcher.HasPending(); });
    dispatcher.Post(JobMainThreadOnly | JobAsynchronous, 0, nullptr, new TraceJob(queued));
    dispatcher.Stop();
    EXPECT_FALSE(poster.Join());
    EXPECT_EQ(waited.runs.load(), 0);
    EXPECT_TRUE(dispatcher.HasPending());  // the asynchronous job stays until cancelled
    dispatcher.CancelJobs(0, false);
    EXPECT_TRUE(queued.dropped.load());
    EXPECT_FALSE(dispatcher.HasPending());
}

TEST_F(JobDispatcherTest, IdleWorkerEndsAndTheNextJobStartsANewOne)
{
    dispatcher.SetWorkerIdleTimeout(20);
    JobTrace first, second;
    dispatcher.Post(JobNeverOnMainThread | JobAsynchronous, 1, nullptr, new TraceJob(first));
    WaitUntil([&] { return first.runs.load() == 1; });
    WaitUntil([&] { return dispatcher.GetWorkerCount() == 0; });
    dispatcher.Post(JobNeverOnMainThread | JobAsynchronous, 1, nullptr, new TraceJob(second));
    WaitUntil([&] { return second.runs.load() == 1; });
    EXPECT_NE(second.thread.load(), CurrentThreadId());
}

TEST_F(JobDispatcherTest, SynchronousWorkerJobFromMainThreadReturnsTrueAfterItRan)
{
    JobTrace trace;
    EXPECT_TRUE(dispatcher.Post(JobNeverOnMainThread, 1, nullptr, new TraceJob(trace)));
    EXPECT_EQ(trace.runs.load(), 1);
    EXPECT_NE(trace.thread.load(), CurrentThreadId());
}

TEST_F(JobDispatcherTest, DestructionFailsQueuedJobsAndStopsWorkers)
{
    JobTrace queued, ran;
    JobCompletionGroup group(1, true);
    {
        JobDispatcher local;
        local.Post(JobMainThreadOnly | JobAsynchronous, 1, &group, new TraceJob(queued));
        EXPECT_TRUE(local.Post(JobNeverOnMainThread, 2, nullptr, new TraceJob(ran)));
        EXPECT_EQ(local.GetWorkerCount(), 1u);
    }
    EXPECT_TRUE(queued.dropped.load() && queued.destroyed.load());
    EXPECT_EQ(group.GetCount(), 0);
    EXPECT_EQ(ran.runs.load(), 1);
}

TEST(TCXCallbackTest, EachJobKindReturnsWhatItsCallDefines)
{
    TCXCallbackBase base;
    EXPECT_EQ(base.Call(3), -1);

    TCXCallbackCIntPtr plain([](intptr_t argument) { return static_cast<int>(argument * 2); });
    EXPECT_EQ(plain.Call(21), 42);
    TCXCallbackCIntPtr empty(nullptr);
    EXPECT_EQ(empty.Call(1), -1);

    struct Target {
        intptr_t seen = 0;
        void Take(intptr_t argument) { seen = argument; }
    } target;
    TCXCallbackCPPVoidPtr<Target> member(&target, &Target::Take);
    EXPECT_EQ(member.Call(reinterpret_cast<intptr_t>(&target)), 0);
    EXPECT_EQ(target.seen, reinterpret_cast<intptr_t>(&target));
}

TEST(GuardedJobCallTest, ReturnsTheJobsResultWithAndWithoutTheGuard)
{
    const std::uint8_t saved = CrashGuardEnabled.load();
    JobTrace trace;
    for (std::uint8_t guard : {0, 1}) {
        CrashGuardEnabled.store(guard);
        TraceJob job(trace);
        EXPECT_EQ(GuardedJobCall(5, &job), 7);
    }
    CrashGuardEnabled.store(saved);
    EXPECT_EQ(GuardedJobCall(5, nullptr), -1);
}

TEST(GuardedJobCallDeathTest, ExceptionInGuardedJobEndsTheProcessWithMinus100)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    JobTrace trace;
    EXPECT_EXIT(
        {
            CrashGuardEnabled.store(1);
            TraceJob job(trace, [] { throw 1; });
            GuardedJobCall(0, &job);
        },
        ::testing::ExitedWithCode(156), "");
}

#ifdef KORVEL_TEST_HOOKS
TEST(GuardedJobCallDeathTest, FaultInAGuardedJobOnAWorkerEndsTheProcessWithMinus100)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    JobTrace trace;
    EXPECT_EXIT(
        {
            InstallFaultHandler();
            CrashGuardEnabled.store(1);
            JobDispatcher local;
            local.Post(JobNeverOnMainThread, 0, nullptr, new TraceJob(trace, [] { TriggerTestFault(); }));
        },
        ::testing::ExitedWithCode(156), "");
}
#endif

}  // namespace

TEST_F(JobDispatcherTest, EnsureWorkersStartsThemAtOnceSoABatchRunsSideBySide)
{
    EXPECT_EQ(dispatcher.EnsureWorkers(4), 4u);
    EXPECT_EQ(dispatcher.EnsureWorkers(2), 4u);  // never fewer than are live
    // Each job waits until all four run: with one worker started per 5 s
    // the batch could not finish.
    std::atomic<int> running{0};
    JobTrace traces[4];
    for (JobTrace& trace : traces) {
        dispatcher.Post(JobNeverOnMainThread | JobAsynchronous, 1, nullptr, new TraceJob(trace, [&] {
                            running.fetch_add(1);
                            WaitUntil([&] { return running.load() == 4; });
                        }));
    }
    for (JobTrace& trace : traces)
        WaitUntil([&] { return trace.runs.load() == 1; });
    dispatcher.Stop();
    EXPECT_EQ(dispatcher.EnsureWorkers(3), 0u);
}
