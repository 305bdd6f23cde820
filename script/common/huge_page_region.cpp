// Huge-page regions for the script toolchain's large pools.
//
// A large source fills tens of megabytes of parse-tree nodes; obtained in
// 4 KB pages, one page fault per 4 KB cost more than making the nodes. A
// region aligned to 2 MB and marked for huge pages faults once per 2 MB.
// The units of one compilation come and go one after another, so a few
// regions given back are kept for the next unit instead of being unmapped
// and faulted in again; the count is capped so that a long-lived process
// does not hold the memory of its largest compilation for ever.
#include "script/common/huge_page_region.h"

#include <sys/mman.h>

#include <cstdint>
#include <mutex>

namespace Utils {

namespace {

constexpr size_t kKeptRegionLimit = 4;

struct KeptRegion {
    KeptRegion* next;
};

std::mutex keptMutex;
KeptRegion* kept = nullptr;
size_t keptCount = 0;

void* MapAlignedRegion()
{
    // Twice the size, then the unaligned ends are unmapped.
    const size_t size = kHugePageRegionBytes;
    void* raw = mmap(nullptr, 2 * size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    uintptr_t aligned = (start + size - 1) & ~(uintptr_t(size) - 1);
    if (aligned > start)
        munmap(raw, aligned - start);
    uintptr_t tail = aligned + size;
    uintptr_t end = start + 2 * size;
    if (end > tail)
        munmap(reinterpret_cast<void*>(tail), end - tail);
    void* region = reinterpret_cast<void*>(aligned);
    // Advice only: without huge pages the region still works in small pages.
    madvise(region, size, MADV_HUGEPAGE);
    return region;
}

}  // namespace

void* TakeHugePageRegion()
{
    {
        std::lock_guard<std::mutex> lock(keptMutex);
        if (kept != nullptr) {
            KeptRegion* region = kept;
            kept = region->next;
            --keptCount;
            return region;
        }
    }
    return MapAlignedRegion();
}

void GiveBackHugePageRegion(void* region)
{
    if (region == nullptr)
        return;
    {
        std::lock_guard<std::mutex> lock(keptMutex);
        if (keptCount < kKeptRegionLimit) {
            KeptRegion* entry = static_cast<KeptRegion*>(region);
            entry->next = kept;
            kept = entry;
            ++keptCount;
            return;
        }
    }
    munmap(region, kHugePageRegionBytes);
}

size_t KeptHugePageRegions()
{
    std::lock_guard<std::mutex> lock(keptMutex);
    return keptCount;
}

}  // namespace Utils
