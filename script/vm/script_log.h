// The script runtime's log callback and its printf-style front.
#pragma once

#include <atomic>

#include "foundation/base/process_values.h"

// The machine, the linker and the interpreter report through this one
// process-wide callback; main installs ScriptLogSink, and nothing is logged
// while it is null.
inline std::atomic<ScriptLogFunction>& GSLogCallback = ScriptLogCallback;

namespace GSRuntime {

// Formats one message and hands it to GSLogCallback (when set) as "%s", so a
// '%' inside a name or path is never read as a conversion.
void GSLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True when a callback is installed (callers skip building long texts).
bool GSLogEnabled();

}  // namespace GSRuntime
