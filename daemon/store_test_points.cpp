// Test builds: the points where a change of the store can be made to end the process or to fail.
#include "daemon/store_test_points.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

bool Named(const char* variable, const char* kind, const char* step)
{
#ifdef KORVEL_TEST_HOOKS
    const char* wanted = std::getenv(variable);
    return wanted != nullptr && std::string(kind) + "." + step == wanted;
#else
    (void)variable;
    (void)kind;
    (void)step;
    return false;
#endif
}

}  // namespace

void KADAssetCrashPoint(const char* kind, const char* step)
{
    if (Named("KAD_TEST_CRASH_AT", kind, step))
        _exit(86);
}

bool KADAssetFaultPoint(const char* kind, const char* step)
{
    return Named("KAD_TEST_FAIL_AT", kind, step);
}
