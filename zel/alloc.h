// Engine allocator: plain blocks (Alloc) and named heaps of small blocks (PackedHeap).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace Zel {

class Alloc {
public:
    // Never returns null: running out of memory throws std::bad_alloc, as
    // operator new would.
    static void* New(size_t size);
    // Null when the memory is not there: for the callers that report running
    // out as a failure of their own instead of unwinding.
    static void* TryNew(size_t size);
    // Null is ignored.
    static void Delete(void* block);
};

// A named heap. Script pools ("#GSMachine", "#GSContext") and the standard
// containers draw small blocks from one; the name only serves accounting.
// Thread-safe.
class PackedHeap {
public:
    explicit PackedHeap(const char* name);
    ~PackedHeap() = default;
    PackedHeap(const PackedHeap&) = delete;
    PackedHeap& operator=(const PackedHeap&) = delete;

    void* Alloc(size_t size);
    // Null is ignored.
    void Free(void* block);

    const char* Name() const { return name_; }
    // Blocks handed out and not yet freed.
    long LiveBlocks() const { return live_.load(std::memory_order_relaxed); }

    // The process-wide heap of that name, made on first use; never destroyed.
    static PackedHeap* Get(const char* name);

private:
    char name_[64];
    std::atomic<long> live_{0};
};

// The multi-processor variant: same behaviour (PackedHeap is thread-safe).
using PackedHeapMP = PackedHeap;

}  // namespace Zel
