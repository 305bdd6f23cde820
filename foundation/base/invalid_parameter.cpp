// The invalid-parameter handler and its use as the terminate handler.
#include "foundation/base/invalid_parameter.h"

#include <cstdlib>
#include <exception>
#include <mutex>

#include "foundation/base/console_output.h"
#include "foundation/base/crash_dump.h"
#include "foundation/base/crash_guard.h"

namespace {

[[noreturn]] void TerminateHandler()
{
    if (IsThreadCrashGuarded())
        EndProcessForGuardedFault();
    InvalidParameterHandler(nullptr, nullptr, nullptr, 0);
}

}  // namespace

void InvalidParameterHandler(const char* /*expression*/, const char* function, const char* file, unsigned line)
{
    WriteDumpNow();
    ConsolePrintfW(u"Invalid Parameter Handler> function=%s, file=%s, line=%d", function ? function : "NULL",
                   file ? file : "NULL", static_cast<int>(line));
    std::abort();
}

void InstallInvalidParameterHandler()
{
    static std::once_flag once;
    std::call_once(once, [] { std::set_terminate(TerminateHandler); });
}
