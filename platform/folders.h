// Program location, working folder, and making folders: the stand-ins for the module path, _getcwd/_chdir and _mkdir.
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

// The folder that holds `path`: "/" for an entry of the root, "" for a bare
// name. Trailing separators are not part of the name ("a/b/" is in "a").
std::string ParentFolder(const std::string& path);

// True when `path` names a folder (symbolic links followed).
bool FolderExists(const std::string& path);

// Makes the folder and every missing folder above it (mode 0755 less the
// umask). True when the folder exists afterwards; false, with errno set, when
// a part could not be made or a file stands where a folder is wanted.
bool MakeFolders(const std::string& path);

}  // namespace Platform
