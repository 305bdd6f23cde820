// KVMemoryChain: block chain carving and release.
#include "mesh/kv_memory_chain.h"

KVMemoryChain::KVMemoryChain(size_t blockSize, size_t itemSize)
    : blockSize_(blockSize < itemSize ? itemSize : blockSize), itemSize_(itemSize)
{}

KVMemoryChain::~KVMemoryChain()
{
    Release();
}

void KVMemoryChain::AllocateBlock()
{
    if (current_ && current_->next) {
        current_ = current_->next;
        current_->cursor = current_->start;
        return;
    }
    Block* block = new Block;
    block->start = new uint8_t[blockSize_];
    block->cursor = block->start;
    block->end = block->start + blockSize_;
    block->previous = current_;
    if (current_)
        current_->next = block;
    else
        first_ = block;
    current_ = block;
}

void* KVMemoryChain::Carve()
{
    if (!current_ || static_cast<size_t>(current_->end - current_->cursor) < itemSize_)
        AllocateBlock();
    void* item = current_->cursor;
    current_->cursor += itemSize_;
    return item;
}

void KVMemoryChain::Release()
{
    for (Block* block = first_; block;) {
        Block* next = block->next;
        delete[] block->start;
        delete block;
        block = next;
    }
    first_ = current_ = nullptr;
}

size_t KVMemoryChain::BlockCount() const
{
    size_t count = 0;
    for (Block* block = first_; block; block = block->next)
        ++count;
    return count;
}
