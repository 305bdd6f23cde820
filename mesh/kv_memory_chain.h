// KVMemoryChain: fixed-size items carved from a chain of blocks and freed only all at once.
#pragma once

#include <cstddef>
#include <cstdint>

class KVMemoryChain {
public:
    KVMemoryChain(size_t blockSize, size_t itemSize);
    virtual ~KVMemoryChain();
    KVMemoryChain(const KVMemoryChain&) = delete;
    KVMemoryChain& operator=(const KVMemoryChain&) = delete;

    // Item-sized storage; allocates a block only when the current one is full.
    void* Carve();
    // Moves to the next block (reusing a successor kept from before).
    void AllocateBlock();
    // Frees every block.
    void Release();
    size_t BlockCount() const;

private:
    struct Block {
        Block* next = nullptr;
        Block* previous = nullptr;
        uint8_t* cursor = nullptr;
        uint8_t* start = nullptr;
        uint8_t* end = nullptr;
    };
    size_t blockSize_;
    size_t itemSize_;
    Block* first_ = nullptr;
    Block* current_ = nullptr;
};
