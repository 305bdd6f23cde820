// Writing a file whole: a temporary file beside the target, renamed over it.
#pragma once

#include <cstddef>

namespace Utils {

// Writes head then body as the whole content of (container, path): the bytes
// go to a temporary file in the target's folder, which is flushed to disk and
// renamed over the target, so a failure at any point leaves the old file (or
// none) and never a half-written one. False when any step fails; the
// temporary file is removed then.
bool WriteWholeFile(const char* container, const char* path, const void* head, size_t headLength, const void* body,
                    size_t bodyLength);

}  // namespace Utils
