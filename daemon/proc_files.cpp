// Reading the kernel's small text files under /proc.
#include "daemon/proc_files.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/file_io.h"

bool KADReadProcFile(const std::string& path, std::string& text, std::size_t maxBytes)
{
    text.clear();
    int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    char chunk[4096];
    while (text.size() < maxBytes) {
        ssize_t count = Platform::ReadSome(file, chunk, sizeof chunk);
        if (count <= 0)
            break;
        text.append(chunk, static_cast<std::size_t>(count));
    }
    close(file);
    return true;
}
