// The data lock: shared and exclusive holds, re-entry, waiting writers, the main thread's wait.
#include "foundation/base/global_data_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "foundation/base/job_dispatcher.h"
#include "zel/pstring.h"
#include "job_test_support.h"

namespace {

constexpr DataLockThreadId A = 101;
constexpr DataLockThreadId B = 202;
constexpr DataLockThreadId C = 303;

class GlobalDataLockTest : public ::testing::Test {
protected:
    void SetUp() override { SetMainThreadId(); }

    GlobalDataLock lock;
};

TEST_F(GlobalDataLockTest, SharedReentryNeedsOneReleasePerHold)
{
    EXPECT_TRUE(lock.TryAcquire(A, false));
    EXPECT_TRUE(lock.TryAcquire(A, false));
    EXPECT_TRUE(lock.TryAcquire(B, false));
    EXPECT_EQ(lock.GetHoldCount(), 3);
    EXPECT_EQ(lock.CountHoldsOf(A), 2);
    EXPECT_FALSE(lock.Release(A));
    EXPECT_FALSE(lock.Release(B));
    EXPECT_TRUE(lock.Release(A));
    EXPECT_EQ(lock.GetHoldCount(), 0);
}

TEST_F(GlobalDataLockTest, ExclusiveOwnerMayReenterExclusiveAndShared)
{
    EXPECT_TRUE(lock.TryAcquire(A, true));
    EXPECT_TRUE(lock.TryAcquire(A, true));
    EXPECT_TRUE(lock.TryAcquire(A, false));
    EXPECT_TRUE(lock.IsExclusive());
    EXPECT_FALSE(lock.TryAcquire(B, false));
    EXPECT_FALSE(lock.Release(A));
    EXPECT_FALSE(lock.Release(A));
    EXPECT_TRUE(lock.Release(A));
    EXPECT_FALSE(lock.IsExclusive());
}

struct TryCase {
    const char* name;
    std::vector<std::pair<DataLockThreadId, bool>> holds;  // taken first
    int waitingWriters;
    DataLockThreadId id;
    bool exclusive;
    bool granted;
};

TEST_F(GlobalDataLockTest, TryAcquireFollowsTheGrantRules)
{
    const TryCase cases[] = {
        {"free, shared", {}, 0, A, false, true},
        {"free, exclusive", {}, 0, A, true, true},
        {"shared by other, shared", {{B, false}}, 0, A, false, true},
        {"shared by other, exclusive", {{B, false}}, 0, A, true, false},
        {"shared by other, shared while a writer waits", {{B, false}}, 1, A, false, false},
        {"exclusive by other, shared", {{B, true}}, 0, A, false, false},
        {"own shared, shared while a writer waits", {{A, false}}, 1, A, false, true},
        {"own shared, exclusive (no upgrade)", {{A, false}}, 0, A, true, false},
        {"own and other shared, exclusive", {{A, false}, {B, false}}, 0, A, true, false},
        {"own exclusive, exclusive", {{A, true}}, 0, A, true, true},
    };
    for (const TryCase& c : cases) {
        GlobalDataLock subject;
        for (auto [id, exclusive] : c.holds)
            ASSERT_TRUE(subject.TryAcquire(id, exclusive)) << c.name;
        // A writer that waits: its Acquire counts itself before retrying.
        std::vector<std::thread> writers;
        std::atomic<bool> holdWriters{true};
        if (c.waitingWriters > 0) {
            ASSERT_TRUE(subject.TryAcquire(C, false)) << c.name;  // keeps the writer waiting
            writers.emplace_back([&] {
                subject.Acquire(C + 1, true);
                subject.Release(C + 1);
            });
            WaitUntil([&] { return subject.GetWaitingExclusiveCount() == 1; });
            subject.Release(C);
        }
        EXPECT_EQ(subject.TryAcquire(c.id, c.exclusive), c.granted) << c.name;
        // Free everything so the writer gets through and ends.
        while (subject.GetHoldCount() > subject.CountHoldsOf(C + 1)) {
            for (DataLockThreadId id : {A, B})
                if (subject.CountHoldsOf(id) > 0)
                    subject.Release(id);
        }
        for (std::thread& writer : writers)
            writer.join();
    }
}

// The main thread waits for the lock exclusively; a job it runs from inside
// that wait looks at the free lock while the writer is still counted.
GlobalDataLock* freeLockUnderTest = nullptr;
bool sharedWhileWriterWaits = true;
bool exclusiveWhileWriterWaits = false;

TEST_F(GlobalDataLockTest, FreeLockWithAWaitingWriterRefusesReadersAndAdmitsWriters)
{
    freeLockUnderTest = &lock;
    ASSERT_TRUE(lock.TryAcquire(C, false));
    TCXCallbackCIntPtr* probe = new TCXCallbackCIntPtr([](intptr_t) {
        freeLockUnderTest->Release(C);
        sharedWhileWriterWaits = freeLockUnderTest->TryAcquire(A, false);
        exclusiveWhileWriterWaits = freeLockUnderTest->TryAcquire(B, true);
        freeLockUnderTest->Release(B);
        return 0;
    });
    JobDispatcher::Instance().Post(JobMainThreadOnly | JobAsynchronous, 0, nullptr, probe);
    EXPECT_TRUE(lock.Acquire(CurrentThreadId(), true));
    EXPECT_FALSE(sharedWhileWriterWaits);
    EXPECT_TRUE(exclusiveWhileWriterWaits);
    EXPECT_TRUE(lock.Release(CurrentThreadId()));
}

TEST_F(GlobalDataLockTest, WaitingWriterBlocksNewReadersButNotReentryOfOwners)
{
    ASSERT_TRUE(lock.TryAcquire(A, false));
    std::atomic<bool> writerHolds{false};
    std::atomic<bool> writerDone{false};
    std::thread writer([&] {
        const DataLockThreadId self = CurrentThreadId();
        lock.Acquire(self, true);
        writerHolds.store(true);
        WaitUntil([&] { return writerDone.load(); });
        lock.Release(self);
    });
    WaitUntil([&] { return lock.GetWaitingExclusiveCount() == 1; });

    EXPECT_FALSE(lock.TryAcquire(C, false));
    EXPECT_TRUE(lock.TryAcquire(A, false));  // re-entry of an existing owner
    EXPECT_FALSE(writerHolds.load());

    // A real reader thread waits until the writer has had its turn.
    std::atomic<bool> readerHolds{false};
    std::thread reader([&] {
        const DataLockThreadId self = CurrentThreadId();
        lock.Acquire(self, false);
        readerHolds.store(true);
        EXPECT_FALSE(lock.IsExclusive());
        lock.Release(self);
    });
    lock.Release(A);
    EXPECT_TRUE(lock.Release(A));
    WaitUntil([&] { return writerHolds.load(); });
    EXPECT_TRUE(lock.IsExclusive());
    EXPECT_FALSE(readerHolds.load());
    writerDone.store(true);
    reader.join();
    writer.join();
    EXPECT_TRUE(readerHolds.load());
    EXPECT_EQ(lock.GetHoldCount(), 0);
    EXPECT_EQ(lock.GetWaitingExclusiveCount(), 0);
}

TEST_F(GlobalDataLockTest, ReleaseByNonOwnerIsIgnored)
{
    EXPECT_FALSE(lock.Release(A));
    EXPECT_EQ(lock.GetHoldCount(), 0);
    ASSERT_TRUE(lock.TryAcquire(A, true));
    EXPECT_FALSE(lock.Release(B));
    EXPECT_EQ(lock.GetHoldCount(), 1);
    EXPECT_TRUE(lock.IsExclusive());
    EXPECT_FALSE(lock.TryAcquire(B, false));
    EXPECT_TRUE(lock.Release(A));
}

// The main thread's wait, driven by a clock that moves 1 s per reading.
std::atomic<std::uint64_t> fakeNow{0};
std::uint64_t FakeClock()
{
    return fakeNow.fetch_add(1000);
}

std::vector<DataLockWaitScreenStep> screenSteps;
GlobalDataLock* lockUnderTest = nullptr;

TEST_F(GlobalDataLockTest, MainThreadWaitShowsRedrawsAndHidesTheWaitScreen)
{
    screenSteps.clear();
    lockUnderTest = &lock;
    lock.SetClock(&FakeClock);
    // After the redraw (30 s of waiting) the blocking owner lets go.
    lock.SetWaitScreenHook([](DataLockWaitScreenStep step) {
        screenSteps.push_back(step);
        if (step == DataLockWaitScreenStep::Redraw)
            lockUnderTest->Release(B);
    });
    ASSERT_TRUE(lock.TryAcquire(B, true));
    EXPECT_TRUE(lock.Acquire(CurrentThreadId(), false));
    EXPECT_EQ(screenSteps,
              (std::vector<DataLockWaitScreenStep>{DataLockWaitScreenStep::Show, DataLockWaitScreenStep::Redraw,
                                                   DataLockWaitScreenStep::Hide}));
    EXPECT_TRUE(lock.Release(CurrentThreadId()));
}

TEST_F(GlobalDataLockTest, MainThreadWaitRunsMainThreadJobsExceptThoseFlagged4)
{
    JobDispatcher& dispatcher = JobDispatcher::Instance();
    while (dispatcher.RunPending(0) != 0) {}
    JobTrace notFromWait, releaser;
    dispatcher.Post(JobMainThreadOnly | JobNotFromLockWait | JobAsynchronous, 0, nullptr, new TraceJob(notFromWait));
    dispatcher.Post(JobMainThreadOnly | JobAsynchronous, 0, nullptr,
                    new TraceJob(releaser, [this] { lock.Release(B); }));
    ASSERT_TRUE(lock.TryAcquire(B, true));
    EXPECT_TRUE(lock.Acquire(CurrentThreadId(), true));
    EXPECT_EQ(releaser.runs.load(), 1);
    EXPECT_EQ(notFromWait.runs.load(), 0);
    EXPECT_TRUE(lock.Release(CurrentThreadId()));
    dispatcher.RunPending(0);
    EXPECT_EQ(notFromWait.runs.load(), 1);
}

TEST_F(GlobalDataLockTest, HoldTakesAndReleasesTheProcessLock)
{
    {
        GlobalDataLockHold hold(true);
        EXPECT_TRUE(GlobalDataLock::Instance().IsExclusive());
        EXPECT_EQ(GlobalDataLock::Instance().CountHoldsOf(CurrentThreadId()), 1);
    }
    EXPECT_EQ(GlobalDataLock::Instance().GetHoldCount(), 0);
}

TEST(ReleaseUnusedCachesTest, OffTheMainThreadItOnlyMarksTheWorkPending)
{
    SetMainThreadId();
    ReleaseUnusedCachesIfPending();
    Zel::PString("release-unused-caches-probe").Release();  // interned, now unreferenced
    const std::size_t interned = Zel::PStringCache::Count();
    std::thread worker([] {
        ReleaseUnusedCaches();
        EXPECT_FALSE(ReleaseUnusedCachesIfPending());  // only the main thread does the work
    });
    worker.join();
    EXPECT_EQ(Zel::PStringCache::Count(), interned);
    EXPECT_TRUE(IsCacheReleasePending());

    EXPECT_TRUE(ReleaseUnusedCachesIfPending());
    EXPECT_LT(Zel::PStringCache::Count(), interned);
    EXPECT_FALSE(IsCacheReleasePending());
    EXPECT_FALSE(ReleaseUnusedCachesIfPending());
}

}  // namespace
