// Program location and working folder on Linux.
#include "platform/folders.h"

#include <unistd.h>

namespace Platform {

bool GetExecutablePath(std::string& out) {
  char buffer[kPathBufferSize];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer));
  // A result that fills the buffer may have been cut.
  if (length <= 0 || static_cast<size_t>(length) >= sizeof(buffer)) return false;
  out.assign(buffer, static_cast<size_t>(length));
  return true;
}

bool GetCurrentFolder(std::string& out) {
  char buffer[kPathBufferSize];
  if (!getcwd(buffer, sizeof(buffer))) return false;
  out = buffer;
  return true;
}

bool SetCurrentFolder(const char* path) {
  if (!path || !*path) return false;
  return chdir(path) == 0;
}

}  // namespace Platform
