// A small tmpfs mounted on a folder for the length of a test: a full disk, or a second file system, on demand.
#pragma once

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace TestSupport {

// Mounts a tmpfs of `size` (mount's form: "1m", "64k") on the folder, which
// is created with its parents when missing; unmounted lazily (a process
// still holding a file there cannot keep it) when the object goes. Mounting
// needs privilege: test Mounted() and skip with Reason() when it failed.
class ScratchTmpfs {
public:
    ScratchTmpfs(const std::string& folder, const std::string& size) : folder_(folder)
    {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        const std::string options = "size=" + size;
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0)
            mounted_ = true;
        else
            reason_ = "cannot mount a tmpfs on " + folder + ": " + strerror(errno);
    }
    ~ScratchTmpfs()
    {
        if (mounted_)
            umount2(folder_.c_str(), MNT_DETACH);
    }
    ScratchTmpfs(const ScratchTmpfs&) = delete;
    ScratchTmpfs& operator=(const ScratchTmpfs&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& Reason() const { return reason_; }
    const std::string& Folder() const { return folder_; }

private:
    std::string folder_;
    std::string reason_;
    bool mounted_ = false;
};

}  // namespace TestSupport
