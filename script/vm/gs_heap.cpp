// GSHeap: malloc with a size prefix, so each free knows what it returns.
#include "script/vm/gs_heap.h"

#include <cstdlib>
#include <new>

namespace GSRuntime {

namespace {

// Keeps the caller's block aligned like malloc's.
constexpr size_t kPrefixBytes = 16;
// Sizes that no script object can need; larger requests are refused rather
// than wrapped.
constexpr size_t kLargestBlock = size_t(1) << 40;

}  // namespace

GSHeap& GSHeap::Machine()
{
    static GSHeap heap("#GSMachine");
    return heap;
}

GSHeap& GSHeap::Context()
{
    static GSHeap heap("#GSContext");
    return heap;
}

void* GSHeap::TryAlloc(size_t size)
{
    if (size > kLargestBlock)
        return nullptr;
    char* raw = static_cast<char*>(std::malloc(size + kPrefixBytes));
    if (raw == nullptr)
        return nullptr;
    *reinterpret_cast<size_t*>(raw) = size;
    bytes_ += static_cast<int64_t>(size);
    ++blocks_;
    return raw + kPrefixBytes;
}

void* GSHeap::Alloc(size_t size)
{
    void* block = TryAlloc(size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void GSHeap::Free(void* block)
{
    if (block == nullptr)
        return;
    char* raw = static_cast<char*>(block) - kPrefixBytes;
    const size_t size = *reinterpret_cast<size_t*>(raw);
    bytes_ -= static_cast<int64_t>(size);
    --blocks_;
    std::free(raw);
}

}  // namespace GSRuntime
