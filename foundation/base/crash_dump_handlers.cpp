// Switching the command host's process handlers on and off, and the exit-time dump check.
#include <cstdlib>
#include <execinfo.h>
#include <mutex>

#include "foundation/base/crash_dump.h"
#include "foundation/base/crash_dump_state.h"
#include "foundation/base/crash_guard.h"
#include "foundation/base/invalid_parameter.h"

namespace {

// Called by the crash guard's fault handler for a fault outside a guarded
// region. After the host ended the fault takes its default course undumped.
void FaultDumpWriter(int signalNumber, siginfo_t* info, void* context)
{
    if (!CrashHandlers().installed.load())
        return;
    WriteCrashDump(signalNumber, info, context);
}

// An exit while the host still runs is not an orderly end: keep its state.
void ExitTimeCheck()
{
    if (CrashHandlers().installed.load())
        WriteDumpNow();
}

}  // namespace

void InstallCrashHandlers(std::int32_t mode)
{
    CrashHandlerState& state = CrashHandlers();
    state.SetMode(mode);
    state.installed.store(true);
    // The first backtrace() loads the unwinder, which allocates; do it now
    // rather than inside the fault handler.
    void* frame[1];
    backtrace(frame, 1);
    SetCrashDumpWriter(FaultDumpWriter);
    static std::once_flag registerExitCheck;
    std::call_once(registerExitCheck, [] { std::atexit(ExitTimeCheck); });
    InstallInvalidParameterHandler();
    state.consoleHandlerAdded.store(true);
}

void DisableCrashHandlers()
{
    CrashHandlerState& state = CrashHandlers();
    state.installed.store(false);
    state.SetMode(1);
}

bool ConsoleCloseRequested()
{
    return CrashHandlers().closeRequested.load();
}

void DisableConsoleClose() {}

std::int32_t GetCrashDumpMode()
{
    return CrashHandlers().mode.load();
}

bool CrashHandlersInstalled()
{
    return CrashHandlers().installed.load();
}

#ifdef KORVEL_TEST_HOOKS
void ResetCrashHandlersForTest()
{
    CrashHandlerState& state = CrashHandlers();
    state.installed.store(false);
    state.closeRequested.store(false);
    state.firstCrash.store(false);
    state.consoleHandlerAdded.store(false);
    state.SetMode(0);
}
#endif
