// Cross-process names, the shared discovery block and the named lock that stand in for Windows named objects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Platform {

// 64-bit FNV-1a over the bytes.
uint64_t Fnv1a64(std::string_view bytes);

// POSIX object names cannot hold '/', so every Windows-style name N maps to
// "kadipc-" + 16 lower-case hex digits of Fnv1a64(N). Tools and tests that look
// for a daemon compute the same name.
std::string IpcName(std::string_view windowsName);

// "/dev/shm/" + IpcName(name) + ".lock": the file the named lock is taken on.
std::string IpcLockPath(std::string_view windowsName);

// A block of shared memory, shm_open("/" + IpcName(name)), mode 0600.
//
// POSIX names outlive their processes while Windows named objects vanish
// with their last handle, so every open block and lock also holds a shared
// "presence" lock (an open-file-description lock on byte 0, released by the
// kernel at close or death). The first opener of a name that nobody else has
// open learns it through firstUser: what it finds was left by processes that
// have ended.
class SharedBlock {
public:
    SharedBlock() = default;
    ~SharedBlock();
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // Opens the block; when it does not exist and create is true it is made
    // (zero-filled). A block found shorter than size is grown to size, so a
    // reader never maps past the end of a half-made block. *created tells
    // whether this call made it (O_EXCL succeeded). With resetIfFirstUser, a
    // block that no other process has open is zero-filled before anyone else
    // can attach, and *created reports true: the Windows behaviour of a fresh
    // mapping. *firstUser tells whether no other process had it open.
    bool Open(std::string_view windowsName, size_t size, bool create, bool* created = nullptr,
              bool resetIfFirstUser = false, bool* firstUser = nullptr);
    // Unmaps and closes; the block itself lives on until Remove.
    void Close();
    static bool Remove(std::string_view windowsName);

    bool IsOpen() const { return data_ != nullptr; }
    void* Data() const { return data_; }
    size_t Size() const { return size_; }

private:
    void* data_ = nullptr;
    size_t size_ = 0;
    int fd_ = -1;  // kept open: it carries the presence lock
};

// A cross-process lock: flock on IpcLockPath(name). The kernel drops the lock
// of a process that dies, so a crashed holder never blocks the others.
// flock belongs to the open file description: two NamedLock objects exclude
// each other even inside one process, but one object is not re-entrant.
class NamedLock {
public:
    NamedLock() = default;
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    // Opens (creating, mode 0600) the lock file. *created tells whether the
    // file was made by this call; *firstUser whether no other process had the
    // lock open (see SharedBlock).
    bool Open(std::string_view windowsName, bool* created = nullptr, bool* firstUser = nullptr);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Waits up to timeoutMs for the lock; -1 waits for ever, 0 only tries.
    bool Lock(int timeoutMs);
    bool TryLock() { return Lock(0); }
    void Unlock();
    bool IsHeld() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace Platform
