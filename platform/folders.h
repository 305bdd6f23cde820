// Program location and working folder: the stand-ins for the module path and _getcwd/_chdir.
#pragma once

#include <string>

namespace Platform {

// Paths are limited to 4096 bytes, the size of the buffers the program keeps
// for them; a longer path is reported as a failure, never cut.
constexpr size_t kPathBufferSize = 4096;

// Full path of the running executable (readlink of /proc/self/exe).
bool GetExecutablePath(std::string& out);

// Current working folder; false when it cannot be read (deleted, too long).
bool GetCurrentFolder(std::string& out);

// Changes the working folder; false on failure.
bool SetCurrentFolder(const char* path);

}  // namespace Platform
