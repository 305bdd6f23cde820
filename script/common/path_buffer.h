// The compiler's process-wide current-path buffer.
#pragma once

#include <string>

namespace Utils {

// The buffer itself (one compilation at a time uses it).
std::string& CompilerPathBuffer();
// Cuts the buffer to the part after its last '\\', '/' or ':'.
void PathStripDirectory();
// Appends '/' when the buffer is non-empty and does not end in '\\' or '/',
// then `name`.
void PathAppend(const char* name);

}  // namespace Utils
