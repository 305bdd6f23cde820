// A small tmpfs mounted on a folder for the length of a test: a second file system, a full disk or a read-only folder.
#pragma once

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace KorvelTest {

// Mounting needs privilege: a test that cannot mount skips with Reason() as
// its reason. The mount is detached when the object goes, so a process that
// still holds files on it (a daemon) never keeps the test's tree from being
// removed; declare it after the folder it is mounted in.
class ScratchTmpfs {
public:
    // Nothing mounted yet: Mount() when the test knows where.
    ScratchTmpfs() = default;
    ScratchTmpfs(const std::string& folder, std::size_t bytes) { Mount(folder, bytes); }
    ~ScratchTmpfs() { Unmount(); }
    ScratchTmpfs(const ScratchTmpfs&) = delete;
    ScratchTmpfs& operator=(const ScratchTmpfs&) = delete;

    // Mounts a tmpfs of `bytes` on `folder`, made with its parents first.
    bool Mount(const std::string& folder, std::size_t bytes)
    {
        Unmount();
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
            return Fail("cannot mount a tmpfs on " + folder);
        folder_ = folder;
        return true;
    }

    bool Mounted() const { return !folder_.empty(); }
    // Why the last step failed.
    const std::string& Reason() const { return reason_; }
    const std::string& Folder() const { return folder_; }
    std::string operator/(const std::string& relative) const { return folder_ + "/" + relative; }

    bool MakeReadOnly()
    {
        if (!Mounted() || mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return Fail("cannot make " + folder_ + " read-only");
        return true;
    }
    bool MakeWritable()
    {
        if (!Mounted() || mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT, nullptr) != 0)
            return Fail("cannot make " + folder_ + " writable");
        return true;
    }

    // Writes a filler file until not one byte more fits; true when the file
    // system then says it is full.
    bool Fill()
    {
        filler_ = *this / ".filler";
        const int fd = open(filler_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return Fail("cannot make " + filler_);
        std::vector<char> block(64 * 1024, 'x');
        int lastError = 0;
        // Smaller and smaller writes take up what a large one left over.
        for (std::size_t size = block.size(); size > 0; size /= 2) {
            for (;;) {
                const ssize_t written = write(fd, block.data(), size);
                if (written > 0)
                    continue;  // a short one too: the next write says why
                if (written < 0 && errno == EINTR)
                    continue;
                lastError = written < 0 ? errno : ENOSPC;
                break;
            }
        }
        close(fd);
        if (lastError != ENOSPC) {
            errno = lastError;
            return Fail("cannot fill " + folder_);
        }
        return true;
    }
    // Frees the space Fill took.
    void Empty()
    {
        if (!filler_.empty())
            unlink(filler_.c_str());
        filler_.clear();
    }

    void Unmount()
    {
        if (Mounted())
            umount2(folder_.c_str(), MNT_DETACH);
        folder_.clear();
        filler_.clear();
    }

private:
    bool Fail(const std::string& what)
    {
        reason_ = what + ": " + std::strerror(errno);
        return false;
    }

    std::string folder_;
    std::string filler_;
    std::string reason_;
};

}  // namespace KorvelTest
