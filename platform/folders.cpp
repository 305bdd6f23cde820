// Program location and working folder on Linux.
#include "platform/folders.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

bool GetExecutablePath(std::string& out)
{
    char buffer[kPathBufferSize];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer));
    // A result that fills the buffer may have been cut.
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(buffer))
        return false;
    out.assign(buffer, static_cast<size_t>(length));
    return true;
}

bool GetCurrentFolder(std::string& out)
{
    char buffer[kPathBufferSize];
    if (!getcwd(buffer, sizeof(buffer)))
        return false;
    out = buffer;
    return true;
}

bool SetCurrentFolder(const char* path)
{
    if (!path || !*path)
        return false;
    return chdir(path) == 0;
}

std::string ParentFolder(const std::string& path)
{
    std::string::size_type end = path.find_last_not_of('/');
    if (end == std::string::npos)
        return path.empty() ? std::string() : std::string("/");
    std::string::size_type slash = path.find_last_of('/', end);
    if (slash == std::string::npos)
        return std::string();
    std::string::size_type parentEnd = path.find_last_not_of('/', slash);
    return parentEnd == std::string::npos ? std::string("/") : path.substr(0, parentEnd + 1);
}

bool FolderExists(const std::string& path)
{
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolders(const std::string& path)
{
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (FolderExists(path))
        return true;
    std::string parent = ParentFolder(path);
    if (!parent.empty() && parent != path && !FolderExists(parent) && !MakeFolders(parent))
        return false;
    if (mkdir(path.c_str(), 0755) == 0)
        return true;
    // Made meanwhile by someone else is as good; a file in the way is not.
    if (errno == EEXIST) {
        if (FolderExists(path))
            return true;
        errno = ENOTDIR;
    }
    return false;
}

}  // namespace Platform
