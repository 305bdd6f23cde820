// The crash guard: one fault handler on an alternate stack, a per-thread guarded flag.
#include "foundation/base/crash_guard.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

#include "foundation/base/process_exit.h"
#include "platform/process.h"
#include "zel/thread.h"

namespace {

// Initial-exec TLS in the executable: safe to read in a signal handler.
thread_local bool threadGuarded = false;

std::atomic<CrashDumpWriter> dumpWriter{nullptr};
std::atomic<bool> dumpWritten{false};

constexpr int guardedSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

// Owns the calling thread's alternate signal stack and unmaps it when the
// thread ends. The stack is mapped, not allocated: a thread's first malloc
// makes glibc set up a whole arena for it, which a thread that otherwise
// never allocates (the console and reader threads) would pay at start-up.
class ThreadAltStack {
public:
    void Install()
    {
        if (memory_)
            return;
        stack_t current{};
        if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE))
            return;  // the thread has one already (a sanitizer runtime gives one)
        long minimum = sysconf(_SC_SIGSTKSZ);
        size_ = static_cast<std::size_t>(std::max<long>(minimum, 64 * 1024));
        void* memory = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (memory == MAP_FAILED)
            return;
        stack_t stack{};
        stack.ss_sp = memory;
        stack.ss_size = size_;
        if (sigaltstack(&stack, nullptr) != 0) {
            munmap(memory, size_);
            return;
        }
        memory_ = memory;
    }
    ~ThreadAltStack()
    {
        if (!memory_)
            return;
        stack_t disable{};
        disable.ss_flags = SS_DISABLE;
        sigaltstack(&disable, nullptr);
        munmap(memory_, size_);
    }

private:
    void* memory_ = nullptr;
    std::size_t size_ = 0;
};

thread_local ThreadAltStack threadAltStack;

// Flushing is not async-signal-safe; take stdio's lock only when it is free
// (or ours), so a thread that faulted inside printf cannot hang the exit.
void FlushIfUnlocked(FILE* stream)
{
    if (ftrylockfile(stream) != 0)
        return;
    std::fflush(stream);
    funlockfile(stream);
}

void FaultHandler(int signalNumber, siginfo_t* info, void* context)
{
    if (threadGuarded)
        EndProcessForGuardedFault();
    CrashDumpWriter writer = dumpWriter.load();
    if (writer && !dumpWritten.exchange(true))
        writer(signalNumber, info, context);
    // Default action: returning re-runs the faulting instruction, which now
    // ends the process; a signal sent by kill must be raised again.
    signal(signalNumber, SIG_DFL);
    if (info == nullptr || info->si_code <= 0)
        raise(signalNumber);
}

}  // namespace

void InstallThreadAltStack()
{
    threadAltStack.Install();
}

void InstallFaultHandler()
{
    static std::once_flag once;
    InstallThreadAltStack();
    std::call_once(once, [] {
        // Every engine thread gets its own alternate stack as it starts.
        Zel::Thread::SetStartHook(InstallThreadAltStack);
        struct sigaction action {};
        action.sa_sigaction = FaultHandler;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        for (int signalNumber : guardedSignals)
            sigaction(signalNumber, &action, nullptr);
    });
}

void SetThreadCrashGuard(bool guarded)
{
    threadGuarded = guarded;
}

bool IsThreadCrashGuarded()
{
    return threadGuarded;
}

CrashGuardScope::CrashGuardScope() : previous_(threadGuarded)
{
    threadGuarded = true;
}

CrashGuardScope::~CrashGuardScope()
{
    threadGuarded = previous_;
}

void EndProcessForGuardedFault()
{
    FlushIfUnlocked(stdout);
    FlushIfUnlocked(stderr);
    _exit(GuardedFaultExitCode & 0xFF);
}

bool IsDebuggerPresent()
{
    return Platform::IsDebuggerPresent();
}

void SetCrashDumpWriter(CrashDumpWriter writer)
{
    dumpWriter.store(writer);
}

#ifdef KORVEL_TEST_HOOKS
void TriggerTestFault()
{
    // A page with no access: a real fault that the sanitizers do not
    // intercept before the process's own handler sees it.
    long pageSize = sysconf(_SC_PAGESIZE);
    void* page = mmap(nullptr, static_cast<std::size_t>(pageSize), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) {
        raise(SIGSEGV);
        return;
    }
    *static_cast<volatile int*>(page) = 1;
}

void ThrowTestException()
{
    throw std::runtime_error("test exception");
}
#endif
