// Engine allocator and named heaps over malloc.
#include "zel/alloc.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "zel/named_registry.h"

namespace Zel {

void* Alloc::New(size_t size)
{
    void* block = malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void* Alloc::TryNew(size_t size)
{
    return malloc(size ? size : 1);
}

void Alloc::Delete(void* block)
{
    free(block);
}

PackedHeap::PackedHeap(const char* name)
{
    strncpy(name_, name ? name : "", sizeof(name_) - 1);
    name_[sizeof(name_) - 1] = '\0';
}

void* PackedHeap::Alloc(size_t size)
{
    void* block = Alloc::New(size);
    live_.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void PackedHeap::Free(void* block)
{
    if (!block)
        return;
    live_.fetch_sub(1, std::memory_order_relaxed);
    Alloc::Delete(block);
}

PackedHeap* PackedHeap::Get(const char* name)
{
    return GetNamedInstance<PackedHeap>(name);
}

}  // namespace Zel
