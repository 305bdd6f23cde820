// Pool of fixed-size elements in pages, free elements found through bitmaps.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Utils {

class BlockMemory {
public:
    BlockMemory() = default;
    virtual ~BlockMemory();
    BlockMemory(const BlockMemory&) = delete;
    BlockMemory& operator=(const BlockMemory&) = delete;

    // Releases any pages, then: element size rounded up to 4, elements per page
    // rounded up to 32; an emptied page is given back only while more than
    // `slack` free elements would stay.
    bool Init(uint32_t slack, uint32_t elementSize, uint32_t elementsPerPage);
    // Pages made once the pool holds `pages` pages are carved out of 2 MB
    // huge-page regions instead of the heap (until the next Init), so that a
    // large pool costs few page faults while a small one maps no region.
    void UseHugePagesBeyond(uint32_t pages) { hugeBeyond_ = pages; }
    // Null when a page cannot be made.
    void* Alloc();
    // True when `address` was a live element of this pool.
    bool Free(void* address);
    // Keeps only the first page, all free.
    void Reset();
    // Keeps every page, all free.
    void MarkAllFree();
    // Gives every page back.
    void Destroy();

    uint32_t PageCount() const { return pageCount_; }
    uint32_t LiveCount() const { return live_; }
    uint32_t ElementSize() const { return elementSize_; }
    uint32_t ElementsPerPage() const { return perPage_; }

private:
    struct Page {
        void* raw;
        char* base;
        char* end;
        uint32_t* bitmap;  // set bit = free
        uint32_t used;
        bool carved;  // storage inside a region, not from the heap
    };
    struct Region {
        Region* next;
    };
    Page* AddPage();
    void FreePage(Page* page);
    void ChooseCurrent();
    void SetAllFree(Page* page);
    int FindPage(const void* address) const;
    void* CarvePageStorage();
    void GiveBackRegions();

    Page** pages_ = nullptr;
    uint32_t pageCount_ = 0;
    uint32_t capacity_ = 0;
    Page* current_ = nullptr;
    uint32_t slack_ = 0;
    uint32_t perPage_ = 0;
    uint32_t words_ = 0;
    uint32_t elementSize_ = 0;
    uint32_t alignment_ = 4;
    uint32_t live_ = 0;
    uint32_t fullPages_ = 0;  // lets the current-page choice skip the scan when all are full
    uint32_t hugeBeyond_ = UINT32_MAX;
    Region* regions_ = nullptr;
    char* carveAt_ = nullptr;
    char* carveEnd_ = nullptr;
    void* spareStorage_ = nullptr;  // carved storage of released pages, linked through its first word
};

}  // namespace Utils
