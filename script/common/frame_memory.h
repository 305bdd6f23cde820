// Arena allocator: bump allocation inside fixed-size frames, freed only as a whole.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Utils {

class FrameMemory {
public:
    // Frame size 2048; the first frame is made on first use.
    FrameMemory();
    virtual ~FrameMemory();
    FrameMemory(const FrameMemory&) = delete;
    FrameMemory& operator=(const FrameMemory&) = delete;

    // Releases every frame, then uses frames of `size` data bytes from now on.
    void Init(uint32_t frameSize);

    // size + alignment - 1 bytes must fit one frame; null otherwise. An
    // allocation that does not fit the rest of the current frame moves to the
    // next frame and the rest of the old one is never handed out.
    void* Alloc(size_t size, size_t alignment);
    // Copy of a zero-terminated text (alignment 1); null for a null text or
    // when it does not fit a frame.
    char* Strdup(const char* text);
    // Copy of `length` bytes plus a NUL in a block of its own when it cannot
    // fit a frame; texts of any length survive (long string constants).
    char* StrdupAnyLength(const char* text, size_t length);

    // Frees every frame; the frame size becomes 0 (Init sets it again).
    void ReleaseAll();

    uint32_t FrameSize() const { return frameSize_; }
    size_t TotalBytes() const { return total_; }
    uint32_t AllocationCount() const { return count_; }

private:
    struct Frame {
        char* data;
        uint32_t used;
        Frame* next;
    };
    struct LargeBlock {
        LargeBlock* next;
    };
    Frame* NewFrame();

    Frame* first_ = nullptr;
    Frame* current_ = nullptr;
    LargeBlock* large_ = nullptr;
    size_t total_ = 0;
    uint32_t count_ = 0;
    uint32_t frameSize_ = 2048;
};

}  // namespace Utils
