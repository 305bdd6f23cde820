// Process and thread facilities: detached launch, liveness, ids, debugger detection.
#pragma once

#include <string>
#include <vector>

namespace Platform {

// Starts executable with the arguments (argv[0] is added) in its own session
// (POSIX_SPAWN_SETSID, so the caller's Ctrl+C never reaches it), in
// workingFolder (empty = ours), with stdin/stdout/stderr on /dev/null.
// Returns the pid, 0 on failure. The child is not waited for here.
int SpawnDetached(const std::string& executable, const std::vector<std::string>& arguments,
                  const std::string& workingFolder);

// kill(pid, 0) succeeds, or fails only for lack of permission.
bool IsProcessAlive(int pid);

// True when a tracer is attached (TracerPid in /proc/self/status is not 0).
bool IsDebuggerPresent();

// Kernel thread id of the caller (gettid); never 0.
int CurrentThreadId();
int CurrentProcessId();

// Sleeps for ms milliseconds, going on to the end across signals.
void SleepMilliseconds(int ms);

// waitpid(2) for one child, repeated while a signal interrupts it.
int WaitForChild(int pid, int* status);

// Reaps every child that has ended, without blocking.
// Returns the number reaped.
int ReapChildren();

}  // namespace Platform
