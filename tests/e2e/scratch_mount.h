// A small tmpfs mounted over a folder of a test installation: a second file system, a full disk or a read-only folder.
#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

// Mounting needs privilege: a test that cannot mount skips with Error() as
// its reason. The mount is detached when the object goes, so a daemon that
// still holds files on it never keeps the test's tree from being removed.
class ScratchMount {
public:
    ScratchMount() = default;
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;
    ~ScratchMount() { Unmount(); }

    // Mounts a tmpfs of `bytes` at `folder`, creating the folder first.
    bool Mount(const std::string& folder, std::size_t bytes)
    {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            error = "cannot mount a tmpfs at " + folder + ": " + std::strerror(errno);
            return false;
        }
        where = folder;
        return true;
    }

    bool MakeReadOnly()
    {
        if (mount(nullptr, where.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            error = "cannot make " + where + " read-only: " + std::strerror(errno);
            return false;
        }
        return true;
    }

    bool MakeWritable() { return mount(nullptr, where.c_str(), nullptr, MS_REMOUNT, nullptr) == 0; }

    // Writes a filler file until the file system is full; true when it is.
    bool Fill()
    {
        filler = where + "/.filler";
        int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        std::vector<char> block(64 * 1024, 'x');
        bool full = false;
        for (;;) {
            ssize_t written = write(fd, block.data(), block.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0) {
                full = errno == ENOSPC;
                break;
            }
            if (static_cast<std::size_t>(written) < block.size()) {
                // A short write: the next one reports why.
                continue;
            }
        }
        // Whatever single bytes are left go too.
        while (write(fd, block.data(), 1) == 1) {}
        close(fd);
        return full;
    }

    // Frees the space Fill took.
    void Empty()
    {
        if (!filler.empty())
            unlink(filler.c_str());
    }

    void Unmount()
    {
        if (!where.empty())
            umount2(where.c_str(), MNT_DETACH);
        where.clear();
    }

    const std::string& Error() const { return error; }

private:
    std::string where;
    std::string filler;
    std::string error;
};
