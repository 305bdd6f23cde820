// Test-only failure switches of the OS object and the render kernel.
#include "zel/test_hooks.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace Zel {

bool TestHookForcesFailure(const Options& options, const char* key)
{
#ifdef KORVEL_TEST_HOOKS
    // End-to-end tests cannot add engine words to the program's option
    // string, so the same switch is also read from KORVEL_TEST_<key>.
    std::string variable = std::string("KORVEL_TEST_") + key;
    const char* fromEnvironment = getenv(variable.c_str());
    const char* value = options.Has(key) ? options.Get(key, "") : fromEnvironment;
    if (!value)
        return false;
    if (strcmp(value, "always") == 0)
        return true;
    return !options.Has("NullRender");
#else
    (void)options;
    (void)key;
    return false;
#endif
}

}  // namespace Zel
