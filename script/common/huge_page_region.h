// 2 MB memory regions for large pools, backed by huge pages where the kernel allows.
#pragma once

#include <cstddef>

namespace Utils {

constexpr size_t kHugePageRegionBytes = size_t(2) << 20;

// A region of kHugePageRegionBytes aligned to its size; null when none can be
// mapped. A region given back earlier is handed out again first (its bytes
// are not cleared).
void* TakeHugePageRegion();
// Keeps the region for the next taker, or unmaps it when enough are kept.
void GiveBackHugePageRegion(void* region);
// How many given-back regions are kept now.
size_t KeptHugePageRegions();

}  // namespace Utils
