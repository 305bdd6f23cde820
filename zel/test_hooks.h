// Internal to zel: test-only failure switches read from the engine options.
#pragma once

#include "zel/options.h"

namespace Zel {

// True when a build with KORVEL_TEST_HOOKS is asked to fail through the
// option word key: "-<key>" fails unless "-NullRender" is present,
// "-<key>=always" fails regardless. The environment variable
// KORVEL_TEST_<key> (any value, or "always") does the same for processes
// whose option string a test cannot reach. Other builds never fail.
bool TestHookForcesFailure(const Options& options, const char* key);

}  // namespace Zel
