// The crash guard: faults and exceptions inside a guarded region end the process with -100.
#pragma once

#include <csignal>

// Installs the one handler for SIGSEGV, SIGBUS, SIGFPE and SIGILL (on an
// alternate stack, so a stack overflow is caught too) and gives the calling
// thread its alternate stack. Idempotent; main calls it first thing.
void InstallFaultHandler();

// Every thread we create calls this on entry: a signal handler can only run
// on the faulting thread's own alternate stack.
void InstallThreadAltStack();

// The calling thread's guarded flag (RunCommandGuarded, GuardedJobCall, the
// worker call chain). A fault on a guarded thread ends the process with -100.
void SetThreadCrashGuard(bool guarded);
bool IsThreadCrashGuarded();

// Sets the flag for a scope and restores the previous value.
class CrashGuardScope {
public:
    CrashGuardScope();
    ~CrashGuardScope();
    CrashGuardScope(const CrashGuardScope&) = delete;
    CrashGuardScope& operator=(const CrashGuardScope&) = delete;

private:
    bool previous_;
};

// Runs body under the guard: a C++ exception or fault that escapes it ends
// the process at once with exit code -100 (status 156).
template <class Body>
auto RunUnderCrashGuard(Body&& body) -> decltype(body());

[[noreturn]] void EndProcessForGuardedFault();

// The command host's dump writer hooks in here: an unguarded fault calls it
// (once, from the signal handler) before the default action ends the
// process. Null (the default) means no dump.
using CrashDumpWriter = void (*)(int signalNumber, siginfo_t* info, void* context);
void SetCrashDumpWriter(CrashDumpWriter writer);

template <class Body>
auto RunUnderCrashGuard(Body&& body) -> decltype(body())
{
    CrashGuardScope scope;
    try {
        return body();
    } catch (...) {
        EndProcessForGuardedFault();
    }
}

// True while a debugger (tracer) is attached; then jobs run unguarded so the
// debugger sees the fault.
bool IsDebuggerPresent();

#ifdef KORVEL_TEST_HOOKS
// Test-only: a real memory fault (a write to a page with no access), and an
// escaping C++ exception; both must end a guarded command with -100.
void TriggerTestFault();
[[noreturn]] void ThrowTestException();
#endif
