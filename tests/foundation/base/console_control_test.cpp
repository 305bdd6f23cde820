// Console control: which signal is which event, the handler's decisions, and the sigwait thread.
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "foundation/base/console_control.h"
#include "foundation/base/crash_dump.h"

namespace {

TEST(ConsoleControlTest, SignalsMapToConsoleEvents)
{
    const struct {
        int signalNumber;
        int controlType;
    } cases[] = {
        {SIGINT, 0}, {SIGQUIT, 1}, {SIGHUP, 2}, {SIGTERM, 6}, {SIGUSR1, -1}, {SIGSEGV, -1},
    };
    for (const auto& test : cases)
        EXPECT_EQ(ConsoleControlTypeOfSignal(test.signalNumber), test.controlType) << test.signalNumber;
}

#ifdef KORVEL_TEST_HOOKS
class ConsoleCtrlHandlerTest : public testing::Test {
protected:
    void SetUp() override { ResetCrashHandlersForTest(); }
    void TearDown() override { ResetCrashHandlersForTest(); }
};

TEST_F(ConsoleCtrlHandlerTest, CtrlCAndBreakWhileTheHostRunsRequestCloseAndReturnAtOnce)
{
    for (int controlType : {ConsoleControlC, ConsoleControlBreak}) {
        ResetCrashHandlersForTest();
        InstallCrashHandlers(0);
        EXPECT_FALSE(ConsoleCloseRequested());
        EXPECT_TRUE(ConsoleCtrlHandler(controlType));
        EXPECT_TRUE(ConsoleCloseRequested());
        EXPECT_TRUE(CrashHandlersInstalled());
    }
}

TEST_F(ConsoleCtrlHandlerTest, CloseEventWaitsUntilTheHostHasEnded)
{
    InstallCrashHandlers(0);
    std::atomic<bool> returned{false};
    std::atomic<bool> answer{false};
    std::thread consoleThread([&] {
        answer = ConsoleCtrlHandler(ConsoleControlShutdown);
        returned = true;
    });
    while (!ConsoleCloseRequested())
        std::this_thread::yield();
    // The close request is set before the wait; only DisableCrashHandlers
    // (the mode flag) can let the handler return.
    EXPECT_FALSE(returned.load());
    DisableCrashHandlers();
    consoleThread.join();
    EXPECT_TRUE(returned.load());
    EXPECT_TRUE(answer.load());
    EXPECT_EQ(GetCrashDumpMode(), 1);
}

TEST_F(ConsoleCtrlHandlerTest, EventAfterTheHostEndedGoesToTheDefaultHandling)
{
    InstallCrashHandlers(0);
    DisableCrashHandlers();
    EXPECT_FALSE(ConsoleCtrlHandler(ConsoleControlClose));
    EXPECT_FALSE(ConsoleCloseRequested());
    EXPECT_FALSE(CrashHandlersInstalled());
}

// The sigwait thread, as main sets it up: the signal reaches the handler on
// that thread; after the host ended, the default action ends the process.
TEST(ConsoleControlDeathTest, SignalsWhileTheHostRunsRequestCloseThenEndTheProcessAfterIt)
{
    EXPECT_EXIT(
        {
            BlockConsoleControlSignals();
            if (!StartConsoleControlThread())
                _exit(90);
            InstallCrashHandlers(0);
            kill(getpid(), SIGINT);
            while (!ConsoleCloseRequested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            DisableCrashHandlers();
            kill(getpid(), SIGTERM);
            for (;;)
                pause();
        },
        testing::KilledBySignal(SIGTERM), "");
}

TEST(ConsoleControlDeathTest, SignalOutsideTheHostEndsTheProcessAsUnblocked)
{
    for (int signalNumber : {SIGINT, SIGHUP, SIGTERM}) {
        EXPECT_EXIT(
            {
                BlockConsoleControlSignals();
                if (!StartConsoleControlThread())
                    _exit(90);
                kill(getpid(), signalNumber);
                for (;;)
                    pause();
            },
            testing::KilledBySignal(signalNumber), "");
    }
}

TEST(ConsoleControlDeathTest, SignalTheParentIgnoredStaysIgnored)
{
    EXPECT_EXIT(
        {
            std::signal(SIGHUP, SIG_IGN);
            BlockConsoleControlSignals();
            StartConsoleControlThread();
            kill(getpid(), SIGHUP);
            kill(getpid(), SIGTERM);
            for (;;)
                pause();
        },
        testing::KilledBySignal(SIGTERM), "");
}
#endif

}  // namespace
