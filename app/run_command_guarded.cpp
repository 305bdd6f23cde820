// RunCommandGuarded: one command through the dispatcher, under the crash guard.
#include "app/application.h"

#include "foundation/base/crash_guard.h"
#include "foundation/base/process_values.h"
#include "app/dispatcher.h"

int RunCommandGuarded(ResultsLog& log, AppContext& context, int argumentCount, char** argumentTable)
{
    CrashGuardEnabled.store(1);
    return RunUnderCrashGuard([&] { return DispatchCommand(log, context, argumentCount, argumentTable); });
}
