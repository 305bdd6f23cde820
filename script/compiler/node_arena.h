// The parse-tree node storage of a compile unit: nodes are taken one after
// another and given back all at once.
#pragma once

#include <cstddef>
#include <vector>

namespace GSCompiler {

class NodeArena {
public:
    NodeArena() = default;
    ~NodeArena();
    NodeArena(const NodeArena&) = delete;
    NodeArena& operator=(const NodeArena&) = delete;

    // Gives everything back; nodes of `elementSize` bytes (a multiple of 8)
    // come next.
    void Init(size_t elementSize);
    // The next node's storage, not cleared; null when no block can be made.
    void* Alloc()
    {
        if (at_ == end_ && !NextBlock())
            return nullptr;
        void* element = at_;
        at_ += elementSize_;
        return element;
    }
    // Every node is free again; the blocks stay for the next ones.
    void Rewind();
    // Gives every block back.
    void Destroy();

private:
    struct Block {
        char* begin;
        char* end;
        bool region;  // a huge-page region, not heap
    };
    bool NextBlock();

    std::vector<Block> blocks_;
    size_t current_ = 0;  // the block `at_` is in, when there is one
    size_t elementSize_ = 8;
    char* at_ = nullptr;
    char* end_ = nullptr;
};

}  // namespace GSCompiler
