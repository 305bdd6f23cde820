// Zel::SharedMemory over the platform's named shm block.
#include "zel/shared_memory.h"

#include "platform/ipc.h"

namespace Zel {

SharedMemory::SharedMemory(const char* name, size_t size)
    : name_(name ? name : ""), size_(size), block_(std::make_unique<Platform::SharedBlock>())
{}

SharedMemory::~SharedMemory() = default;

bool SharedMemory::ProcessAttach()
{
    if (block_->IsOpen())
        return true;
    if (name_.empty())
        return false;
    // Windows hands out a fresh zeroed mapping when no process holds the name;
    // a POSIX block left by ended processes is reset the same way.
    return block_->Open(name_, size_, true, &created_, true);
}

void SharedMemory::ProcessDetach()
{
    block_->Close();
}

void* SharedMemory::Data() const
{
    return block_->Data();
}

bool SharedMemory::IsAttached() const
{
    return block_->IsOpen();
}

bool SharedMemory::Remove(const char* name)
{
    return name && Platform::SharedBlock::Remove(name);
}

}  // namespace Zel
