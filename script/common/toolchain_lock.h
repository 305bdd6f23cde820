// The one lock of the script toolchain: compiles and script runs share process-wide state.
#pragma once

#include <mutex>

// Held around every compile (the command line, CompileToFile, the asset
// script cache) and script run; recursive because a compile may be reached
// from code that already holds it. The compiler's process-wide state (the
// current unit and scanner, the include list, the one-shot source prefix)
// belongs to whoever holds it.
extern std::recursive_mutex ScriptToolchainLock;
