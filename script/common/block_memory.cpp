// Fixed-size element pool of the script toolchain.
#include "script/common/block_memory.h"

#include <cstring>
#include <new>

#include "script/common/huge_page_region.h"
#include "zel/alloc.h"

namespace Utils {

BlockMemory::~BlockMemory()
{
    Destroy();
}

void BlockMemory::Destroy()
{
    for (uint32_t i = 0; i < pageCount_; ++i)
        FreePage(pages_[i]);
    Zel::Alloc::Delete(pages_);
    pages_ = nullptr;
    pageCount_ = capacity_ = 0;
    current_ = nullptr;
    live_ = 0;
    fullPages_ = 0;
    GiveBackRegions();
}

void BlockMemory::GiveBackRegions()
{
    while (regions_ != nullptr) {
        Region* region = regions_;
        regions_ = region->next;
        GiveBackHugePageRegion(region);
    }
    carveAt_ = carveEnd_ = nullptr;
    spareStorage_ = nullptr;
}

// Carved storage starts on a cache line; the region's first line holds its link.
void* BlockMemory::CarvePageStorage()
{
    if (spareStorage_ != nullptr) {
        void* storage = spareStorage_;
        std::memcpy(&spareStorage_, storage, sizeof spareStorage_);
        return storage;
    }
    const size_t bytes = (size_t(perPage_) * elementSize_ + 63) & ~size_t(63);
    if (bytes + 64 > kHugePageRegionBytes)
        return nullptr;
    if (carveAt_ == nullptr || size_t(carveEnd_ - carveAt_) < bytes) {
        Region* region = static_cast<Region*>(TakeHugePageRegion());
        if (region == nullptr)
            return nullptr;
        region->next = regions_;
        regions_ = region;
        carveAt_ = reinterpret_cast<char*>(region) + 64;
        carveEnd_ = reinterpret_cast<char*>(region) + kHugePageRegionBytes;
    }
    void* storage = carveAt_;
    carveAt_ += bytes;
    return storage;
}

bool BlockMemory::Init(uint32_t slack, uint32_t elementSize, uint32_t elementsPerPage)
{
    Destroy();
    slack_ = slack;
    elementSize_ = (elementSize + 3) & ~3u;
    if (elementSize_ == 0)
        elementSize_ = 4;
    perPage_ = (elementsPerPage + 31) & ~31u;
    if (perPage_ == 0)
        perPage_ = 32;
    words_ = perPage_ / 32;
    alignment_ = 4;
    hugeBeyond_ = UINT32_MAX;
    pages_ = static_cast<Page**>(Zel::Alloc::TryNew(sizeof(Page*)));
    if (pages_ == nullptr)
        return false;
    capacity_ = 1;
    return true;
}

void BlockMemory::SetAllFree(Page* page)
{
    std::memset(page->bitmap, 0xFF, words_ * sizeof(uint32_t));
    page->used = 0;
}

BlockMemory::Page* BlockMemory::AddPage()
{
    if (perPage_ == 0)
        return nullptr;
    if (pageCount_ == capacity_) {
        // The array grows by half again (at least 4 entries) each time it fills.
        uint32_t capacity = capacity_ + (capacity_ / 2 > 4 ? capacity_ / 2 : 4);
        Page** grown = static_cast<Page**>(Zel::Alloc::TryNew(capacity * sizeof(Page*)));
        if (grown == nullptr)
            return nullptr;
        if (pageCount_ != 0)
            std::memcpy(grown, pages_, pageCount_ * sizeof(Page*));
        Zel::Alloc::Delete(pages_);
        pages_ = grown;
        capacity_ = capacity;
    }
    Page* page = static_cast<Page*>(Zel::Alloc::TryNew(sizeof(Page)));
    if (page == nullptr)
        return nullptr;
    page->carved = false;
    page->raw = nullptr;
    if (pageCount_ >= hugeBeyond_) {
        page->raw = CarvePageStorage();
        page->carved = page->raw != nullptr;
    }
    if (page->raw == nullptr)
        page->raw = Zel::Alloc::TryNew(size_t(perPage_) * elementSize_ + alignment_ - 1);
    page->bitmap = static_cast<uint32_t*>(Zel::Alloc::TryNew(words_ * sizeof(uint32_t)));
    if (page->raw == nullptr || page->bitmap == nullptr) {
        FreePage(page);
        return nullptr;
    }
    uintptr_t base = (reinterpret_cast<uintptr_t>(page->raw) + alignment_ - 1) / alignment_ * alignment_;
    page->base = reinterpret_cast<char*>(base);
    page->end = page->base + size_t(perPage_) * elementSize_;
    SetAllFree(page);
    uint32_t at = pageCount_;
    while (at > 0 && pages_[at - 1]->base > page->base) {
        pages_[at] = pages_[at - 1];
        --at;
    }
    pages_[at] = page;
    ++pageCount_;
    return page;
}

void BlockMemory::FreePage(Page* page)
{
    if (page->carved) {
        std::memcpy(page->raw, &spareStorage_, sizeof spareStorage_);
        spareStorage_ = page->raw;
    } else {
        Zel::Alloc::Delete(page->raw);
    }
    Zel::Alloc::Delete(page->bitmap);
    Zel::Alloc::Delete(page);
}

void BlockMemory::ChooseCurrent()
{
    // The fullest page that still has room, scanning from the last page; the
    // first found wins a tie.
    Page* best = nullptr;
    if (fullPages_ == pageCount_) {
        current_ = nullptr;
        return;
    }
    for (uint32_t i = pageCount_; i-- > 0;) {
        Page* page = pages_[i];
        if (page->used == perPage_)
            continue;
        if (best == nullptr || page->used > best->used)
            best = page;
    }
    current_ = best;
}

void* BlockMemory::Alloc()
{
    if (current_ == nullptr) {
        current_ = AddPage();
        if (current_ == nullptr)
            return nullptr;
    }
    Page* page = current_;
    for (uint32_t w = words_; w-- > 0;) {
        uint32_t bits = page->bitmap[w];
        if (bits == 0)
            continue;
        // Lowest-numbered free element: element k is bit 0x80000000 >> (k % 32).
        uint32_t k = static_cast<uint32_t>(__builtin_clz(bits));
        page->bitmap[w] = bits & ~(0x80000000u >> k);
        ++page->used;
        ++live_;
        void* element = page->base + size_t(w * 32 + k) * elementSize_;
        if (page->used == perPage_) {
            ++fullPages_;
            ChooseCurrent();
        }
        return element;
    }
    return nullptr;
}

int BlockMemory::FindPage(const void* address) const
{
    const char* at = static_cast<const char*>(address);
    int low = 0;
    int high = static_cast<int>(pageCount_) - 1;
    while (low <= high) {
        int mid = (low + high) / 2;
        const Page* page = pages_[mid];
        if (at < page->base) {
            high = mid - 1;
        } else if (at >= page->end) {
            low = mid + 1;
        } else {
            return mid;
        }
    }
    return -1;
}

bool BlockMemory::Free(void* address)
{
    if (live_ % 16 == 0)
        ChooseCurrent();
    int index = FindPage(address);
    if (index < 0)
        return false;
    Page* page = pages_[index];
    size_t offset = static_cast<size_t>(static_cast<char*>(address) - page->base);
    if (offset % elementSize_ != 0)
        return false;
    uint32_t k = static_cast<uint32_t>(offset / elementSize_);
    if (k >= perPage_)
        return false;
    uint32_t mask = 0x80000000u >> (k % 32);
    if (page->bitmap[k / 32] & mask)
        return false;
    page->bitmap[k / 32] |= mask;
    if (page->used == perPage_)
        --fullPages_;
    --page->used;
    --live_;
    if (current_ == nullptr)
        current_ = page;
    if (page->used == 0) {
        long freeCapacity = long(pageCount_ - 1) * long(perPage_) - long(live_);
        if (freeCapacity > long(slack_)) {
            FreePage(page);
            for (uint32_t i = static_cast<uint32_t>(index); i + 1 < pageCount_; ++i)
                pages_[i] = pages_[i + 1];
            --pageCount_;
            if (current_ == page)
                current_ = nullptr;
            ChooseCurrent();
        }
    }
    return true;
}

void BlockMemory::Reset()
{
    for (uint32_t i = 1; i < pageCount_; ++i)
        FreePage(pages_[i]);
    if (pageCount_ > 1)
        pageCount_ = 1;
    live_ = 0;
    fullPages_ = 0;
    if (pageCount_ == 0) {
        current_ = nullptr;
        return;
    }
    SetAllFree(pages_[0]);
    current_ = pages_[0];
}

void BlockMemory::MarkAllFree()
{
    for (uint32_t i = 0; i < pageCount_; ++i)
        SetAllFree(pages_[i]);
    current_ = pageCount_ ? pages_[0] : nullptr;
    live_ = 0;
    fullPages_ = 0;
}

}  // namespace Utils
