// Parse-tree node storage: heap blocks for a small unit, huge-page regions for a large one.
#include "script/compiler/node_arena.h"

#include <cstdlib>

#include "script/common/huge_page_region.h"

namespace GSCompiler {

namespace {

// 256 nodes a heap block; beyond 32 blocks (some 8,000 nodes, a source of a
// few thousand lines) blocks are 2 MB regions: a large tree would otherwise
// take a page fault for every few dozen nodes, while a small included file
// should not map and clear 2 MB.
constexpr size_t kHeapBlockNodes = 256;
constexpr size_t kHeapBlocks = 32;

}  // namespace

NodeArena::~NodeArena()
{
    Destroy();
}

void NodeArena::Init(size_t elementSize)
{
    Destroy();
    elementSize_ = elementSize < 8 ? 8 : (elementSize + 7) & ~size_t(7);
}

void NodeArena::Rewind()
{
    current_ = 0;
    if (blocks_.empty()) {
        at_ = end_ = nullptr;
        return;
    }
    at_ = blocks_[0].begin;
    end_ = blocks_[0].end;
}

void NodeArena::Destroy()
{
    for (const Block& block : blocks_) {
        if (block.region) {
            Utils::GiveBackHugePageRegion(block.begin);
        } else {
            std::free(block.begin);
        }
    }
    blocks_.clear();
    current_ = 0;
    at_ = end_ = nullptr;
}

bool NodeArena::NextBlock()
{
    const size_t next = at_ == nullptr ? 0 : current_ + 1;
    if (next < blocks_.size()) {
        current_ = next;
        at_ = blocks_[next].begin;
        end_ = blocks_[next].end;
        return true;
    }
    Block block{nullptr, nullptr, false};
    if (blocks_.size() >= kHeapBlocks && elementSize_ <= Utils::kHugePageRegionBytes) {
        block.begin = static_cast<char*>(Utils::TakeHugePageRegion());
        block.region = block.begin != nullptr;
        if (block.region)
            block.end = block.begin + Utils::kHugePageRegionBytes / elementSize_ * elementSize_;
    }
    if (block.begin == nullptr) {
        block.begin = static_cast<char*>(std::malloc(kHeapBlockNodes * elementSize_));
        if (block.begin == nullptr)
            return false;
        block.end = block.begin + kHeapBlockNodes * elementSize_;
    }
    blocks_.push_back(block);
    current_ = blocks_.size() - 1;
    at_ = block.begin;
    end_ = block.end;
    return true;
}

}  // namespace GSCompiler
