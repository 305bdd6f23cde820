// Hashed IPC names, the shm discovery block and the flock-based named lock.
#include "platform/ipc.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "platform/process.h"

namespace Platform {

uint64_t Fnv1a64(std::string_view bytes)
{
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string IpcName(std::string_view windowsName)
{
    static const char kDigits[] = "0123456789abcdef";
    uint64_t hash = Fnv1a64(windowsName);
    std::string name = "kadipc-";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += kDigits[(hash >> shift) & 0xF];
    return name;
}

std::string IpcLockPath(std::string_view windowsName)
{
    std::string path("/dev/shm/");
    path += IpcName(windowsName);
    path += ".lock";
    return path;
}

namespace {

std::string ShmObjectName(std::string_view windowsName)
{
    std::string name(1, '/');
    name += IpcName(windowsName);
    return name;
}

struct flock PresenceRange(short type)
{
    struct flock range = {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = 1;
    return range;
}

// Takes the presence lock on fd. When nobody else holds it, *first is set
// and the lock is left exclusive until SharePresence, so whatever the first
// user prepares is done before others attach; they wait for it.
bool TakePresence(int fd, bool* first)
{
    struct flock exclusive = PresenceRange(F_WRLCK);
    if (fcntl(fd, F_OFD_SETLK, &exclusive) == 0) {
        *first = true;
        return true;
    }
    *first = false;
    if (errno != EAGAIN && errno != EACCES)
        return false;
    struct flock shared = PresenceRange(F_RDLCK);
    int rc;
    while ((rc = fcntl(fd, F_OFD_SETLKW, &shared)) != 0 && errno == EINTR) {}
    return rc == 0;
}

void SharePresence(int fd)
{
    struct flock shared = PresenceRange(F_RDLCK);
    fcntl(fd, F_OFD_SETLK, &shared);  // a downgrade never waits
}

}  // namespace

SharedBlock::~SharedBlock()
{
    Close();
}

bool SharedBlock::Open(std::string_view windowsName, size_t size, bool create, bool* created, bool resetIfFirstUser,
                       bool* firstUser)
{
    Close();
    if (created)
        *created = false;
    if (firstUser)
        *firstUser = false;
    if (size == 0)
        return false;
    std::string objectName = ShmObjectName(windowsName);
    bool made = false;
    int fd = shm_open(objectName.c_str(), O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && errno == ENOENT && create) {
        fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        made = fd >= 0;
        // Another process made it between the two calls: open theirs.
        if (fd < 0 && errno == EEXIST)
            fd = shm_open(objectName.c_str(), O_RDWR | O_CLOEXEC, 0600);
    }
    if (fd < 0)
        return false;
    bool first = false;
    struct stat info;
    bool ready = TakePresence(fd, &first) && fstat(fd, &info) == 0 &&
                 (static_cast<size_t>(info.st_size) >= size || ftruncate(fd, static_cast<off_t>(size)) == 0);
    void* data = ready ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (data == MAP_FAILED) {
        close(fd);
        return false;
    }
    if (first && resetIfFirstUser) {
        memset(data, 0, size);
        made = true;
    }
    if (first)
        SharePresence(fd);
    data_ = data;
    size_ = size;
    fd_ = fd;
    if (created)
        *created = made;
    if (firstUser)
        *firstUser = first;
    return true;
}

void SharedBlock::Close()
{
    if (data_)
        munmap(data_, size_);
    if (fd_ >= 0)
        close(fd_);
    data_ = nullptr;
    size_ = 0;
    fd_ = -1;
}

bool SharedBlock::Remove(std::string_view windowsName)
{
    std::string objectName = ShmObjectName(windowsName);
    return shm_unlink(objectName.c_str()) == 0;
}

NamedLock::~NamedLock()
{
    Close();
}

bool NamedLock::Open(std::string_view windowsName, bool* created, bool* firstUser)
{
    Close();
    if (created)
        *created = false;
    if (firstUser)
        *firstUser = false;
    std::string path = IpcLockPath(windowsName);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    bool made = fd >= 0;
    if (fd < 0 && errno == EEXIST)
        fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    bool first = false;
    if (!TakePresence(fd, &first)) {
        close(fd);
        return false;
    }
    if (first)
        SharePresence(fd);
    fd_ = fd;
    if (created)
        *created = made;
    if (firstUser)
        *firstUser = first;
    return true;
}

void NamedLock::Close()
{
    if (fd_ < 0)
        return;
    Unlock();
    close(fd_);
    fd_ = -1;
}

static int64_t MonotonicMs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool NamedLock::Lock(int timeoutMs)
{
    if (fd_ < 0)
        return false;
    if (held_)
        return true;
    if (timeoutMs < 0) {
        int rc;
        while ((rc = flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {}
        held_ = rc == 0;
        return held_;
    }
    // flock has no time-out: poll, with short sleeps growing to 10 ms.
    int64_t deadline = MonotonicMs() + timeoutMs;
    int pause = 1;
    for (;;) {
        if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        int64_t left = deadline - MonotonicMs();
        if (left <= 0)
            return false;
        SleepMilliseconds(static_cast<int>(left < pause ? left : pause));
        if (pause < 10)
            pause *= 2;
    }
}

void NamedLock::Unlock()
{
    if (fd_ < 0 || !held_)
        return;
    flock(fd_, LOCK_UN);
    held_ = false;
}

}  // namespace Platform
