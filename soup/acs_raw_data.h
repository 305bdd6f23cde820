// Counted blocks of value bytes: owned copies and views into bytes another object keeps alive.
#pragma once

#include <cstddef>
#include <cstdint>

#include "soup/acs_chunk.h"

// A block of value bytes. An owning block frees its bytes when it dies; a
// view points into bytes that belong to another object (a chunk or a binary
// file) and holds one reference to that owner until it dies.
class ACSRawDataCore : public ReferenceCountMP {
public:
    ~ACSRawDataCore() override;

    const uint8_t* Data() const { return data_; }
    int32_t Size() const { return size_; }
    bool OwnsBytes() const { return owns_; }

    // Takes a buffer from AllocateBytes and its size; 0 or null gives no block.
    static RawDataRef Adopt(uint8_t* bytes, int32_t size);
    // Copies the bytes into a new owning block; 0 or null gives no block.
    static RawDataRef Copy(const void* bytes, int32_t size);
    // A view over bytes that `owner` keeps alive (one reference taken); 0 or
    // null bytes give no block.
    static RawDataRef View(const uint8_t* bytes, int32_t size, ReferenceCountMP* owner);
    // A view over a chunk's value bytes; an empty chunk gives no block.
    static RawDataRef ViewOfChunk(const ChunkRef& chunk);

    // The allocator of adopted buffers (null when out of memory or size < 0).
    static uint8_t* AllocateBytes(int32_t size);
    static void FreeBytes(uint8_t* bytes);

    // Blocks are freed through the unsized delete: copies carry their bytes
    // behind the object in the same allocation.
    static void operator delete(void* block) { ::operator delete(block); }

private:
    struct TrailingBytes {
        size_t count;
    };
    static void* operator new(size_t size) { return ::operator new(size); }
    static void* operator new(size_t size, TrailingBytes extra) { return ::operator new(size + extra.count); }
    static void operator delete(void* block, TrailingBytes) { ::operator delete(block); }

    ACSRawDataCore(const uint8_t* data, int32_t size, bool owns, bool separate, ReferenceCountMP* owner)
        : data_(data), size_(size), owns_(owns), separate_(separate), owner_(owner)
    {}

    const uint8_t* data_;
    int32_t size_;
    bool owns_;
    bool separate_;            // the owned bytes are an allocation of their own
    ReferenceCountMP* owner_;  // one reference held, or null
};

// The block's bytes and size, safe on a null block.
inline const uint8_t* BlockData(const RawDataRef& block)
{
    return block ? block->Data() : nullptr;
}
inline int32_t BlockSize(const RawDataRef& block)
{
    return block ? block->Size() : 0;
}
