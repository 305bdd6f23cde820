// Block memory pages carved from huge-page regions, and the regions kept for reuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "script/common/block_memory.h"
#include "script/common/huge_page_region.h"

namespace {

TEST(HugePageRegion, RegionsAreAlignedAndKeptUpToALimit)
{
    std::vector<void*> regions;
    for (int i = 0; i < 6; ++i) {
        void* region = Utils::TakeHugePageRegion();
        ASSERT_NE(region, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(region) % Utils::kHugePageRegionBytes, 0u);
        std::memset(region, 0xA5, Utils::kHugePageRegionBytes);
        regions.push_back(region);
    }
    for (void* region : regions)
        Utils::GiveBackHugePageRegion(region);
    EXPECT_EQ(Utils::KeptHugePageRegions(), 4u);
    // A kept region comes back before a new one is mapped.
    void* again = Utils::TakeHugePageRegion();
    EXPECT_NE(std::find(regions.begin(), regions.end(), again), regions.end());
    EXPECT_EQ(Utils::KeptHugePageRegions(), 3u);
    Utils::GiveBackHugePageRegion(again);
}

// Pages beyond the first two are carved; whole pages freed are reused and
// the pool still frees, refuses and counts as a heap-only pool does.
TEST(BlockMemory, CarvedPagesBehaveAsHeapPages)
{
    Utils::BlockMemory pool;
    ASSERT_TRUE(pool.Init(0, 112, 256));
    pool.UseHugePagesBeyond(2);
    std::vector<void*> elements;
    std::set<void*> distinct;
    // More elements than one region's pages hold, so a second region is taken.
    const int count = 256 * 80;
    for (int i = 0; i < count; ++i) {
        void* element = pool.Alloc();
        ASSERT_NE(element, nullptr);
        std::memset(element, i & 0xFF, 112);
        elements.push_back(element);
        distinct.insert(element);
    }
    EXPECT_EQ(distinct.size(), elements.size());
    EXPECT_EQ(pool.PageCount(), 80u);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(static_cast<unsigned char*>(elements[i])[111], i & 0xFF);
    }
    // With one element free elsewhere, emptying the fifth page (carved)
    // releases it under a slack of 0...
    ASSERT_TRUE(pool.Free(elements[0]));
    for (int i = 256 * 4; i < 256 * 5; ++i)
        ASSERT_TRUE(pool.Free(elements[i]));
    EXPECT_EQ(pool.PageCount(), 79u);
    EXPECT_FALSE(pool.Free(elements[256 * 4]));
    // ...and its storage serves the next page made.
    std::set<void*> refill;
    for (int i = 0; i < 257; ++i)
        refill.insert(pool.Alloc());
    EXPECT_EQ(pool.PageCount(), 80u);
    EXPECT_EQ(refill.size(), 257u);
    EXPECT_EQ(refill.count(elements[0]), 1u);
    for (int i = 256 * 4; i < 256 * 5; ++i)
        ASSERT_EQ(refill.count(elements[i]), 1u);
    EXPECT_EQ(pool.LiveCount(), uint32_t(count));
    pool.Destroy();
    EXPECT_GE(Utils::KeptHugePageRegions(), 2u);
}

TEST(BlockMemory, SmallPoolTakesNoRegion)
{
    const size_t kept = Utils::KeptHugePageRegions();
    Utils::BlockMemory pool;
    ASSERT_TRUE(pool.Init(0, 112, 256));
    pool.UseHugePagesBeyond(32);
    for (int i = 0; i < 256 * 32; ++i)
        ASSERT_NE(pool.Alloc(), nullptr);
    EXPECT_EQ(Utils::KeptHugePageRegions(), kept);
    pool.Destroy();
    EXPECT_EQ(Utils::KeptHugePageRegions(), kept);
}

}  // namespace
