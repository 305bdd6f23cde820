// The script runtime's two named heaps, "#GSMachine" and "#GSContext", with
// live byte and block counters.
#pragma once

#include <cstddef>
#include <cstdint>

namespace GSRuntime {

// Libraries and their tables come from "#GSMachine"; instances, values,
// native script objects and pool blocks from "#GSContext". The counters are
// how tests prove that a context's teardown gave everything back.
class GSHeap {
public:
    static GSHeap& Machine();
    static GSHeap& Context();

    // Null when the memory cannot be had or `size` is absurd; never throws.
    void* TryAlloc(size_t size);
    // Throws std::bad_alloc where TryAlloc gives null (operator new).
    void* Alloc(size_t size);
    // Null is ignored. The block must come from this heap.
    void Free(void* block);

    const char* Name() const { return name_; }
    int64_t LiveBytes() const { return bytes_; }
    int64_t LiveBlocks() const { return blocks_; }

private:
    explicit GSHeap(const char* name) : name_(name) {}

    const char* name_;
    // Plain counters: the script runtime runs on one thread at a time (under
    // ScriptToolchainLock), and these sit on its hottest paths.
    int64_t bytes_ = 0;
    int64_t blocks_ = 0;
};

}  // namespace GSRuntime
