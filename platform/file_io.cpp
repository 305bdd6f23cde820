// Reads and writes on a descriptor that go on across signals.
#include "platform/file_io.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace Platform {

ssize_t ReadSome(int descriptor, void* buffer, std::size_t size)
{
    ssize_t got;
    do {
        got = read(descriptor, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

ssize_t ReadFull(int descriptor, void* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t got = ReadSome(descriptor, static_cast<char*>(buffer) + done, size - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

std::size_t ReadUpTo(int descriptor, void* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t got = ReadSome(descriptor, static_cast<char*>(buffer) + done, size - done);
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

int OpenFile(const char* path, int flags, mode_t mode)
{
    int descriptor;
    do {
        descriptor = open(path, flags, mode);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

ssize_t WriteSome(int descriptor, const void* buffer, std::size_t size)
{
    ssize_t put;
    do {
        put = write(descriptor, buffer, size);
    } while (put < 0 && errno == EINTR);
    return put;
}

bool WriteAll(int descriptor, const void* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t put = WriteSome(descriptor, static_cast<const char*>(buffer) + done, size - done);
        if (put < 0)
            return false;
        if (put == 0) {
            // A regular file that takes nothing is full; never spin on it.
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

std::size_t WriteUpTo(int descriptor, const void* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t put = WriteSome(descriptor, static_cast<const char*>(buffer) + done, size - done);
        if (put <= 0)
            break;
        done += static_cast<std::size_t>(put);
    }
    return done;
}

}  // namespace Platform
