// The crash guard: guarded faults and exceptions end with status 156, unguarded ones keep their signal.
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "foundation/base/crash_guard.h"
#include "foundation/base/process_exit.h"

namespace {

#ifdef KORVEL_TEST_HOOKS
TEST(CrashGuardDeathTest, GuardedMemoryFaultExits156)
{
    EXPECT_EXIT(
        {
            InstallFaultHandler();
            CrashGuardScope guard;
            TriggerTestFault();
        },
        testing::ExitedWithCode(156), "");
}

TEST(CrashGuardDeathTest, UnguardedMemoryFaultKeepsItsSignal)
{
    EXPECT_EXIT(
        {
            InstallFaultHandler();
            TriggerTestFault();
        },
        testing::KilledBySignal(SIGSEGV), "");
}

TEST(CrashGuardDeathTest, EscapingExceptionExits156)
{
    EXPECT_EXIT({ RunUnderCrashGuard([]() -> int { ThrowTestException(); }); }, testing::ExitedWithCode(156), "");
}
#endif

// Deep enough to overflow any stack; the bound only keeps the compiler from
// calling it infinite.
int Recurse(int depth)
{
    volatile char block[4096];
    block[0] = static_cast<char>(depth);
    if (depth > 1000000000)
        return block[0];
    return Recurse(depth + 1) + block[0];
}

TEST(CrashGuardDeathTest, GuardedStackOverflowExits156OnTheAlternateStack)
{
    EXPECT_EXIT(
        {
            InstallFaultHandler();
            CrashGuardScope guard;
            Recurse(0);
        },
        testing::ExitedWithCode(156), "");
}

TEST(CrashGuardDeathTest, GuardOnAnotherThreadWithItsOwnAlternateStack)
{
    EXPECT_EXIT(
        {
            InstallFaultHandler();
            std::thread worker([] {
                InstallThreadAltStack();
                CrashGuardScope guard;
                std::raise(SIGFPE);
            });
            worker.join();
            _exit(0);
        },
        testing::ExitedWithCode(156), "");
}

TEST(CrashGuardDeathTest, BufferedOutputIsFlushedBeforeTheExit)
{
    EXPECT_EXIT(
        {
            std::fputs("pending text", stderr);
            std::setvbuf(stdout, nullptr, _IOFBF, 1024);
            InstallFaultHandler();
            CrashGuardScope guard;
            std::raise(SIGBUS);
        },
        testing::ExitedWithCode(156), "pending text");
}

TEST(CrashGuard, ScopeRestoresThePreviousFlag)
{
    EXPECT_FALSE(IsThreadCrashGuarded());
    {
        CrashGuardScope outer;
        EXPECT_TRUE(IsThreadCrashGuarded());
        {
            CrashGuardScope inner;
        }
        EXPECT_TRUE(IsThreadCrashGuarded());
    }
    EXPECT_FALSE(IsThreadCrashGuarded());
    std::thread([] { EXPECT_FALSE(IsThreadCrashGuarded()); }).join();
}

TEST(CrashGuard, ResultPassesThrough)
{
    EXPECT_EQ(RunUnderCrashGuard([] { return 330; }), 330);
    EXPECT_FALSE(IsThreadCrashGuarded());
}

TEST(ProcessExitDeathTest, ExitCodeKeepsItsLowEightBits)
{
    EXPECT_EXIT(EndProcessNow(-1), testing::ExitedWithCode(255), "");
    EXPECT_EXIT(EndProcessNow(-100), testing::ExitedWithCode(156), "");
    EXPECT_EXIT(EndProcessNow(330), testing::ExitedWithCode(74), "");
}

}  // namespace
