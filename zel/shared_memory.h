// Zel::SharedMemory: a named block shared between processes (Platform::SharedBlock underneath).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace Platform {
class SharedBlock;
}

namespace Zel {

class SharedMemory {
public:
    // name is the Windows-style name; it maps to a POSIX name (see platform/ipc.h).
    SharedMemory(const char* name, size_t size);
    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    // Opens the block, making it (zero-filled) when it does not exist or when
    // no other process has it attached (what is left by ended processes is not
    // kept, as with a Windows mapping); true on success. Created() tells
    // whether this call made it fresh.
    bool ProcessAttach();
    // Unmaps it; the block stays for the other processes.
    void ProcessDetach();
    void* Data() const;
    size_t Size() const { return size_; }
    bool Created() const { return created_; }
    bool IsAttached() const;
    // Removes the named block from the system (the daemon at its end, tests).
    static bool Remove(const char* name);

private:
    std::string name_;
    size_t size_;
    bool created_ = false;
    std::unique_ptr<Platform::SharedBlock> block_;
};

}  // namespace Zel
