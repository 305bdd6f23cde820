// GSTrackedPool: 1022-slot blocks with per-block free lists, and the
// teardown that pins before it releases, so cycles are freed in pass 3 only.
#include "script/vm/tracked_pool.h"

#include <new>

#include "script/vm/gs_heap.h"
#include "script/vm/script_instance.h"

namespace GSRuntime {

namespace {

// One thread runs scripts at a time: a plain counter on the hot path.
int64_t g_liveSlots = 0;

}  // namespace

int64_t GSTrackedPool::LiveSlots()
{
    return g_liveSlots;
}

GSTrackedPool::~GSTrackedPool()
{
    TearDown();
}

GSPoolBlock* GSTrackedPool::NewBlock()
{
    GSPoolBlock* block = static_cast<GSPoolBlock*>(GSHeap::Context().Alloc(sizeof(GSPoolBlock)));
    block->pool = this;
    for (uint32_t i = 0; i < GSPoolBlock::kSlots; ++i) {
        block->slots[i].object = i + 1 < GSPoolBlock::kSlots ? &block->slots[i + 1] : nullptr;
        block->slots[i].block = nullptr;
    }
    block->freeHead = &block->slots[0];
    try {
        blocks_.push_back(block);
    } catch (...) {
        GSHeap::Context().Free(block);
        throw;
    }
    return block;
}

void GSTrackedPool::Acquire(GSScriptInstance* instance)
{
    // Made while the pool is being torn down (a destructor making a value):
    // left untracked, its count alone frees it.
    if (tearingDown_)
        return;
    if (current_ == nullptr) {
        // A free slot anywhere is taken before a new block is made.
        for (GSPoolBlock* block : blocks_) {
            if (block->freeHead != nullptr) {
                current_ = block;
                break;
            }
        }
        if (current_ == nullptr)
            current_ = NewBlock();
    }
    GSPoolSlot* slot = current_->freeHead;
    current_->freeHead = static_cast<GSPoolSlot*>(slot->object);
    slot->object = instance;
    slot->block = current_;
    if (current_->freeHead == nullptr)
        current_ = nullptr;
    instance->slot = slot;
    ++g_liveSlots;
}

void GSTrackedPool::Release(GSScriptInstance* instance)
{
    GSPoolSlot* slot = instance->slot;
    if (slot == nullptr)
        return;
    GSPoolBlock* block = slot->block;
    slot->object = block->freeHead;
    slot->block = nullptr;
    block->freeHead = slot;
    instance->slot = nullptr;
    --g_liveSlots;
}

void GSTrackedPool::TearDown()
{
    tearingDown_ = true;
    current_ = nullptr;
    // Every pass visits every block in creation order and every slot in
    // address order.
    for (size_t b = 0; b < blocks_.size(); ++b) {
        for (GSPoolSlot& slot : blocks_[b]->slots) {
            if (slot.block != nullptr)
                static_cast<GSScriptInstance*>(slot.object)->Pin();
        }
    }
    for (size_t b = 0; b < blocks_.size(); ++b) {
        for (GSPoolSlot& slot : blocks_[b]->slots) {
            if (slot.block != nullptr)
                static_cast<GSScriptInstance*>(slot.object)->ReleaseReferences();
        }
    }
    for (size_t b = 0; b < blocks_.size(); ++b) {
        for (GSPoolSlot& slot : blocks_[b]->slots) {
            if (slot.block == nullptr)
                continue;
            GSScriptInstance* instance = static_cast<GSScriptInstance*>(slot.object);
            slot.block = nullptr;
            slot.object = nullptr;
            --g_liveSlots;
            instance->Destroy();
        }
    }
    for (GSPoolBlock* block : blocks_)
        GSHeap::Context().Free(block);
    blocks_.clear();
    blocks_.shrink_to_fit();
    tearingDown_ = false;
}

}  // namespace GSRuntime
