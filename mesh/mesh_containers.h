// Mesh containers: counted arrays shared between a definition and its instances, and chunked lists whose entries never move.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A counted reference to one block {references, count, capacity, elements} of
// pointers to counted objects (AddReference / ReleaseReference). Instances
// share a definition's block; MakeUnique copies it before a change.
template <class T>
class RefArrayRef {
public:
    RefArrayRef() = default;
    RefArrayRef(const RefArrayRef& other) { ShareFrom(other); }
    RefArrayRef& operator=(const RefArrayRef& other)
    {
        ShareFrom(other);
        return *this;
    }
    ~RefArrayRef() { Release(); }

    // Drops the held block and makes one for capacity elements, none used.
    void Allocate(size_t capacity)
    {
        Release();
        block_ = new Block;
        block_->items.reserve(capacity);
        block_->capacity = capacity;
    }
    // Drops one reference; true when the block was freed.
    bool Release()
    {
        Block* block = block_;
        block_ = nullptr;
        if (!block || --block->references > 0)
            return false;
        for (T* item : block->items) {
            if (item)
                item->ReleaseReference();
        }
        delete block;
        return true;
    }
    void ShareFrom(const RefArrayRef& other)
    {
        if (other.block_ == block_)
            return;
        Release();
        block_ = other.block_;
        if (block_)
            ++block_->references;
    }
    // Appends (adding a reference); false when the block is full or absent.
    bool PushBack(T* item)
    {
        if (!block_ || block_->items.size() >= block_->capacity)
            return false;
        if (item)
            item->AddReference();
        block_->items.push_back(item);
        return true;
    }
    // Drops the last element (releasing it).
    void PopBack()
    {
        if (!block_ || block_->items.empty())
            return;
        if (T* item = block_->items.back())
            item->ReleaseReference();
        block_->items.pop_back();
    }
    // Replaces element i (the new one gains a reference, the old is released).
    void Set(size_t i, T* item)
    {
        if (item)
            item->AddReference();
        if (T* old = block_->items[i])
            old->ReleaseReference();
        block_->items[i] = item;
    }
    // Copy-on-write: a block shared with others is copied (elements gain a reference).
    void MakeUnique()
    {
        if (!block_ || block_->references == 1)
            return;
        Block* copy = new Block;
        copy->capacity = block_->capacity;
        copy->items = block_->items;
        for (T* item : copy->items) {
            if (item)
                item->AddReference();
        }
        --block_->references;
        block_ = copy;
    }

    size_t Size() const { return block_ ? block_->items.size() : 0; }
    size_t Capacity() const { return block_ ? block_->capacity : 0; }
    int References() const { return block_ ? block_->references : 0; }
    bool IsNull() const { return block_ == nullptr; }
    T* operator[](size_t i) const { return block_->items[i]; }
    // The items in order; null for a null array.
    T* const* Data() const { return block_ ? block_->items.data() : nullptr; }
    bool SameBlock(const RefArrayRef& other) const { return block_ == other.block_; }

private:
    struct Block {
        int references = 1;
        size_t capacity = 0;
        std::vector<T*> items;
    };
    Block* block_ = nullptr;
};

// Entries live in blocks of N that are never moved, so a pointer to an entry
// stays valid while the list grows.
template <class T, size_t N>
class ChunkedList {
public:
    T& PushBack(T value)
    {
        if (count_ == blocks_.size() * N)
            blocks_.push_back(std::make_unique<std::array<T, N>>());
        T& slot = (*blocks_[count_ / N])[count_ % N];
        slot = std::move(value);
        ++count_;
        return slot;
    }
    void PopBack()
    {
        if (count_ == 0)
            return;
        --count_;
        (*blocks_[count_ / N])[count_ % N] = T();
        if (count_ % N == 0)
            blocks_.pop_back();
    }
    void Clear()
    {
        blocks_.clear();
        count_ = 0;
    }
    size_t Size() const { return count_; }
    size_t BlockCount() const { return blocks_.size(); }
    T& operator[](size_t i) { return (*blocks_[i / N])[i % N]; }
    const T& operator[](size_t i) const { return (*blocks_[i / N])[i % N]; }

private:
    std::vector<std::unique_ptr<std::array<T, N>>> blocks_;
    size_t count_ = 0;
};
