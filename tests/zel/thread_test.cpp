// Threads, events, critical sections and mutexes (no timing assertions beyond "it waited / it did not").
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/ipc.h"
#include "zel/mutex.h"
#include "zel/sync_object.h"
#include "zel/thread.h"
#include "zel/time.h"
#include "zel/wevent.h"

using Zel::Thread;
using Zel::WEvent;

namespace {

uint32_t RecordId(void* parameter)
{
    *static_cast<int*>(parameter) = Thread::GetCurrentId();
    return 7;
}

// Starts count waiters, pulses once they wait (Pulse only wakes current
// waiters) and returns how many woke.
int PulseWaiters(WEvent& event, int count, int timeoutMs)
{
    std::atomic<int> entered{0}, woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < count; ++i) {
        waiters.emplace_back([&] {
            ++entered;
            if (event.Wait(timeoutMs))
                ++woken;
        });
    }
    while (entered.load() < count)
        Zel::Time::Delay(1);
    Zel::Time::Delay(20);  // let them reach the wait itself
    event.Pulse();
    for (std::thread& waiter : waiters)
        waiter.join();
    return woken.load();
}

}  // namespace

TEST(ThreadTest, SuspendedThreadRunsOnResumeWithItsOwnId)
{
    int id = 0;
    Thread thread(&RecordId, &id, false);
    EXPECT_FALSE(thread.IsCreated());
    EXPECT_FALSE(thread.Wait(0));
    ASSERT_TRUE(thread.Resume());
    EXPECT_TRUE(thread.Wait(-1));
    EXPECT_TRUE(thread.HasEnded());
    EXPECT_EQ(thread.GetExitCode(), 7u);
    EXPECT_NE(id, 0);
    EXPECT_NE(id, Thread::GetCurrentId());
    EXPECT_EQ(thread.GetId(), id);
    EXPECT_EQ(Thread::GetCurrentId(), static_cast<int>(gettid()));
}

TEST(ThreadTest, DerivedRunAndStartHook)
{
    static std::atomic<int> hookCalls{0};
    Thread::SetStartHook([] { ++hookCalls; });
    struct Worker : Thread {
        Worker() : Thread(nullptr, nullptr, false) {}
        uint32_t Run() override { return 42; }
    } worker;
    worker.Resume();
    worker.Wait();
    Thread::SetStartHook(nullptr);
    EXPECT_EQ(worker.GetExitCode(), 42u);
    EXPECT_EQ(hookCalls.load(), 1);
}

TEST(ThreadTest, ProcessLiveness)
{
    EXPECT_TRUE(Thread::IsProcessAlive(getpid()));
    EXPECT_TRUE(Thread::IsProcessAlive(1));  // EPERM still means alive
    EXPECT_FALSE(Thread::IsProcessAlive(0));
    EXPECT_FALSE(Thread::IsProcessAlive(-5));
}

TEST(WEventTest, ManualEventStaysSetUntilReset)
{
    WEvent event(true, false);
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(10));
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
    WEvent initiallySet(true, true);
    EXPECT_TRUE(initiallySet.IsSet());
}

TEST(WEventTest, AutomaticEventLetsOneWaiterThrough)
{
    WEvent event(false, true);
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.IsSet());
    EXPECT_TRUE(event.Wait(-1));
    EXPECT_FALSE(event.IsSet());
}

TEST(WEventTest, PulseWakesCurrentWaitersAndLeavesItReset)
{
    WEvent event(true, false);
    EXPECT_EQ(PulseWaiters(event, 3, -1), 3);
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.Wait(0));  // a pulse is not remembered
    event.Set();
    event.Pulse();
    EXPECT_FALSE(event.IsSet());
}

TEST(WEventTest, PulseOnAutomaticEventWakesOneWaiter)
{
    WEvent event(false, false);
    EXPECT_EQ(PulseWaiters(event, 2, 2000), 1);
}

TEST(LockTest, CriticalSectionIsRecursiveAndExcludesOthers)
{
    Zel::CriticalSection section;
    ASSERT_TRUE(section.Lock());
    ASSERT_TRUE(section.Lock(0));
    bool otherGot = true;
    std::thread([&] { otherGot = section.Lock(0); }).join();
    EXPECT_FALSE(otherGot);
    section.Unlock();
    section.Unlock();
    std::thread([&] {
        otherGot = section.Lock(50);
        if (otherGot)
            section.Unlock();
    }).join();
    EXPECT_TRUE(otherGot);
}

TEST(LockTest, SingleLockReleasesAtScopeEnd)
{
    Zel::CriticalSection section;
    {
        Zel::SingleLock lock(&section, true);
        EXPECT_TRUE(lock.IsLocked());
        lock.Unlock();
        EXPECT_FALSE(lock.IsLocked());
        EXPECT_TRUE(lock.Lock(-1));
    }
    bool otherGot = false;
    std::thread([&] {
        otherGot = section.Lock(0);
        if (otherGot)
            section.Unlock();
    }).join();
    EXPECT_TRUE(otherGot);
    Zel::SingleLock none(nullptr, true);
    EXPECT_FALSE(none.IsLocked());
}

TEST(MutexTest, UnnamedMutexIsOwnedAndTimesOut)
{
    Zel::Mutex mutex;
    ASSERT_TRUE(mutex.Lock(-1));
    ASSERT_TRUE(mutex.Lock(0));  // recursive for its owner
    bool otherGot = true, otherReleased = true;
    std::thread([&] {
        otherGot = mutex.Lock(30);
        otherReleased = mutex.Release();
    }).join();
    EXPECT_FALSE(otherGot);
    EXPECT_FALSE(otherReleased);  // not the owner
    EXPECT_TRUE(mutex.Release());
    EXPECT_TRUE(mutex.Release());
    EXPECT_FALSE(mutex.Release());
}

TEST(MutexTest, NamedMutexExcludesAnotherProcessAndIsFreedWhenItDies)
{
    std::string name = "zel-test-mutex-" + std::to_string(getpid());
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t child = fork();
    if (child == 0) {
        Zel::Mutex held(name.c_str(), true);
        char byte = held.IsOwnedByCaller() ? 'y' : 'n';
        (void)!write(ready[1], &byte, 1);
        (void)!read(release[0], &byte, 1);
        _exit(0);  // dies holding the lock
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 'y');
    Zel::Mutex mutex(name.c_str());
    EXPECT_TRUE(mutex.IsValid());
    EXPECT_TRUE(mutex.AlreadyExisted());
    EXPECT_FALSE(mutex.Lock(50));
    EXPECT_FALSE(mutex.Lock(0));
    (void)!write(release[1], "x", 1);
    EXPECT_TRUE(mutex.Lock(-1));
    EXPECT_TRUE(mutex.Release());
    int status = 0;
    waitpid(child, &status, 0);
    unlink(Platform::IpcLockPath(name).c_str());
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);
}

namespace {

struct SelfDeleting {
    Thread* thread = nullptr;
    WEvent created{true, false};
    WEvent done{true, false};
};

uint32_t DeleteOwnThread(void* parameter)
{
    auto* context = static_cast<SelfDeleting*>(parameter);
    context->created.Wait(-1);
    delete context->thread;  // detaches; nothing of it may be touched afterwards
    context->done.Set();
    return 0;
}

}  // namespace

TEST(ThreadTest, ThreadMayDeleteItsOwnObject)
{
    SelfDeleting context;
    context.thread = new Thread(&DeleteOwnThread, &context, true);
    context.created.Set();
    EXPECT_TRUE(context.done.Wait(5000));
    Zel::Time::Delay(20);  // let the thread finish its exit path under ASan's eye
}

TEST(MutexTest, NamedMutexExistsOnlyWhileSomeoneHasItOpen)
{
    std::string name = "zel-test-presence-" + std::to_string(getpid());
    {
        Zel::Mutex first(name.c_str(), true);
        EXPECT_FALSE(first.AlreadyExisted());
        EXPECT_TRUE(first.IsOwnedByCaller());
        std::thread([&] {
            Zel::Mutex second(name.c_str(), true);  // exists: ownership not taken, as on Windows
            EXPECT_TRUE(second.AlreadyExisted());
            EXPECT_FALSE(second.IsOwnedByCaller());
            EXPECT_FALSE(second.Lock(20));
        }).join();
    }
    Zel::Mutex later(name.c_str(), true);
    EXPECT_FALSE(later.AlreadyExisted());
    EXPECT_TRUE(later.IsOwnedByCaller());
    EXPECT_TRUE(later.Release());
    unlink(Platform::IpcLockPath(name).c_str());
}
