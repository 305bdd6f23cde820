// The process: start-up, one command under the crash guard, the main-loop tick, shutdown.
#pragma once

#include <cstdint>

#include "foundation/base/app_context.h"
#include "zel/file.h"

class ResultsLog;

// 0 when start-up succeeded, 255 when it failed. Failure messages go to the
// error stream; the install-path checks end the process themselves.
std::uint8_t InitApplication(AppContext& context, const Zel::File::Path& programPath, int argumentCount,
                             char** argumentTable);

// Takes down whatever start-up created, in reverse dependency order; safe
// after a failed or partial start-up. Returns false.
bool ShutdownApplication(AppContext& context);

// Sets CrashGuardEnabled and runs the dispatcher under the crash guard: a
// fault or exception that escapes it ends the process with -100.
int RunCommandGuarded(ResultsLog& log, AppContext& context, int argumentCount, char** argumentTable);

// Runs the queued main-thread jobs, advances ApplicationClock and
// GlobalTickCount, and collects unused interned strings.
void TickMainLoop();

// The script toolchain's log callback: "ScriptLog> <text>" through LogMessage.
void ScriptLogSink(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Runs every line of the batch file as a command; 0, or -1 when any line
// failed or the file cannot be read (reported on the error stream).
int RunBatchFile(AppContext& context, char* programArgument, const char* fileName);
