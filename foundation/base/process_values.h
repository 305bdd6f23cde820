// Process-wide values of the utility that every layer may read.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace Zel {
class ResourceSystem;
class RenderKernel;
}  // namespace Zel

constexpr std::size_t StartDirectorySize = 4096;

// The caller's working directory, saved at start-up before the program's
// folder becomes current; importconsists, compile and encrypt change back to
// it. Empty when getcwd failed: then nobody may chdir into it.
extern char StartDirectory[StartDirectorySize];

// 0 at load, set to 1 before every command and never cleared; the job
// runners test it.
extern std::atomic<std::uint8_t> CrashGuardEnabled;

// Seconds since the first TickMainLoop; read by worker and network threads.
extern std::atomic<float> ApplicationClock;

// Incremented once per TickMainLoop.
extern std::atomic<std::uint32_t> GlobalTickCount;

// Exists from the end of a successful start-up until shutdown. The
// content-service commands do nothing while it is null.
extern std::atomic<std::uint8_t*> StartupCompleteMarker;
bool IsStartupComplete();

// The engine singletons, also kept here for code that has no AppContext
// (resource-database cache, wait screen, cache trimming).
extern std::atomic<Zel::ResourceSystem*> GlobalResourceSystem;
extern std::atomic<Zel::RenderKernel*> GlobalRenderKernel;

// The operating-system id of the calling thread (never 0).
long CurrentThreadId();

// Records the calling thread as the main thread. main calls it first thing,
// and start-up again right after the daemon client starts.
void SetMainThreadId();
// Records the program name and the main thread (after start-up).
void SetMainThread(const char* programName);
// 0 until SetMainThreadId ran: before that no thread is the main thread.
long GetMainThreadId();
bool IsMainThread();
const char* GetProgramName();

// The script toolchain's log callback; main sets it to ScriptLogSink.
using ScriptLogFunction = void (*)(const char* format, ...);
extern std::atomic<ScriptLogFunction> ScriptLogCallback;
