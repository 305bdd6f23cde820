// The command host's process handlers: the crash-dump writer, its on/off switch and the close request.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>

// Nothing is installed until the command host starts: other commands keep
// the default behaviour of every fault and console signal.

// Stores the mode in the crash-dump mode flag (the command host passes 0),
// sets the handlers-installed flag, hooks the dump writer into the crash
// guard's fault handler, registers the exit-time check, installs the
// invalid-parameter handler and switches the console-control handler on.
void InstallCrashHandlers(std::int32_t mode);
// Clears the handlers-installed flag and sets the mode flag to 1: from now
// on console signals end the process and an exit writes no dump.
void DisableCrashHandlers();
// Set once a console signal arrived while the host ran; the host loop polls it.
bool ConsoleCloseRequested();
// The product greys the console window's Close item; a terminal has none.
void DisableConsoleClose();

// The crash-dump mode flag: 0 while the host runs, 1 after it ended.
std::int32_t GetCrashDumpMode();
bool CrashHandlersInstalled();

// Writes "Korvel-44088.dmp" (or the first free "_2", "_3"... name) in the
// current folder unless a dump was written before, then logs
// "CreateMiniDump: <path>" and the call stack. Runs inside the fault handler:
// it allocates nothing and writes with plain system calls, since the fault may
// have happened inside the allocator. Returns 1, as the product's filter does.
int WriteCrashDump(int signalNumber, const siginfo_t* info, const void* context);
// A dump of the calling thread's present state (signal 0), without ending
// the process; nothing when a dump was written before.
void WriteDumpNow();
// "callstack: <addresses>" and one "  module symbol [<unknown>:-1]" line per
// frame of the calling thread, up to 64 frames.
void LogCallStack();

// The dump's base name, "Korvel-44088.dmp".
std::string CrashDumpFileName();

#ifdef KORVEL_TEST_HOOKS
// Test-only: forgets the first-crash flag and every handler state, so one
// process can check several dumps.
void ResetCrashHandlersForTest();
#endif
