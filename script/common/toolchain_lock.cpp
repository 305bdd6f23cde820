// The one lock of the script toolchain.
#include "script/common/toolchain_lock.h"

std::recursive_mutex ScriptToolchainLock;
