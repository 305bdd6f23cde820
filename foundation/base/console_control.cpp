// The sigwait thread that turns console signals into console events, and the handler logic.
#include "foundation/base/console_control.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "foundation/base/console_output.h"
#include "foundation/base/crash_dump_state.h"
#include "foundation/base/crash_guard.h"

namespace {

struct SignalEvent {
    int signalNumber;
    int controlType;
};

constexpr SignalEvent consoleSignals[] = {
    {SIGINT, ConsoleControlC},
    {SIGQUIT, ConsoleControlBreak},
    {SIGHUP, ConsoleControlClose},
    {SIGTERM, ConsoleControlShutdown},
};

// The signals main blocked: those the parent did not leave ignored.
sigset_t waitedSignals;
std::atomic<bool> signalsBlocked{false};

bool IsIgnoredAtStart(int signalNumber)
{
    struct sigaction current {};
    return sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

// Flushing is not safe while another thread holds stdio's lock; skip it then.
void FlushIfUnlocked(FILE* stream)
{
    if (ftrylockfile(stream) != 0)
        return;
    std::fflush(stream);
    funlockfile(stream);
}

// Ends the process as the signal would have if nobody had blocked it.
[[noreturn]] void EndWithDefaultAction(int signalNumber)
{
    FlushIfUnlocked(stdout);
    FlushIfUnlocked(stderr);
    std::signal(signalNumber, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signalNumber);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signalNumber);
    // A signal whose default is to be ignored cannot end us; end as a shell would report it.
    _exit(128 + signalNumber);
}

void WaitForConsoleSignals()
{
    InstallThreadAltStack();
    for (;;) {
        int signalNumber = 0;
        if (sigwait(&waitedSignals, &signalNumber) != 0)
            continue;
        int controlType = ConsoleControlTypeOfSignal(signalNumber);
        if (CrashHandlers().consoleHandlerAdded.load() && ConsoleCtrlHandler(controlType))
            continue;
        EndWithDefaultAction(signalNumber);
    }
}

}  // namespace

int ConsoleControlTypeOfSignal(int signalNumber)
{
    for (const SignalEvent& event : consoleSignals)
        if (event.signalNumber == signalNumber)
            return event.controlType;
    return -1;
}

void BlockConsoleControlSignals()
{
    sigemptyset(&waitedSignals);
    for (const SignalEvent& event : consoleSignals)
        if (!IsIgnoredAtStart(event.signalNumber))
            sigaddset(&waitedSignals, event.signalNumber);
    pthread_sigmask(SIG_BLOCK, &waitedSignals, nullptr);
    signalsBlocked.store(true);
}

bool StartConsoleControlThread()
{
    static std::once_flag once;
    static bool running = false;
    std::call_once(once, [] {
        if (!signalsBlocked.load())
            return;
        try {
            std::thread(WaitForConsoleSignals).detach();
            running = true;
        } catch (...) {
            // Without the thread the signals must not stay blocked, or they
            // could never end the process.
            pthread_sigmask(SIG_UNBLOCK, &waitedSignals, nullptr);
        }
    });
    return running;
}

bool ConsoleCtrlHandler(int controlType)
{
    ConsolePrintfW(u"Console Window event handler called for CtrlType=%d", controlType);
    CrashHandlerState& state = CrashHandlers();
    if (state.mode.load() != 0) {
        state.installed.store(false);
        return false;
    }
    state.closeRequested.store(true);
    if (controlType <= ConsoleControlBreak)
        return true;
    // A close, log-off or shutdown holds the process until the host has
    // stopped in order; the host's DisableCrashHandlers ends the wait.
    std::unique_lock<std::mutex> hold(state.waitLock);
    while (state.mode.load() == 0)
        state.modeChanged.wait_for(hold, std::chrono::milliseconds(1000));
    return true;
}
