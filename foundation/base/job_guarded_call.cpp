// Running one job under the crash guard.
#include "foundation/base/crash_guard.h"
#include "foundation/base/job_dispatcher.h"
#include "foundation/base/process_values.h"

int GuardedJobCall(intptr_t argument, TCXCallbackBase* job)
{
    if (job == nullptr)
        return -1;
    // Under a debugger a fault should stop in the debugger, not end the run.
    if (CrashGuardEnabled.load() == 0 || IsDebuggerPresent())
        return job->Call(argument);
    return RunUnderCrashGuard([&] { return job->Call(argument); });
}
