// ChunkedList: a ring of fixed-size blocks of N elements; appending never moves an element.
#pragma once

#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

#include "zel/alloc.h"

// Which block PushBack fills. The short pointer lists (four per block) reuse
// room that erasures left in earlier blocks; every other list appends to the
// last block only, so the order of appends is the order of iteration.
enum class ChunkedFill { LastBlock, FirstWithRoom };

template <class T, int N, ChunkedFill Fill = (N == 4 ? ChunkedFill::FirstWithRoom : ChunkedFill::LastBlock)>
class ChunkedList {
    static_assert(N > 0, "a block holds at least one element");

    struct Block {
        Block* next;
        Block* previous;
        int32_t count;
        alignas(T) unsigned char storage[sizeof(T) * N];

        T* Items() { return std::launder(reinterpret_cast<T*>(storage)); }
        const T* Items() const { return std::launder(reinterpret_cast<const T*>(storage)); }
    };

public:
    // {element, first block, current block}; the end iterator has no element.
    template <bool Const>
    class IteratorOf {
        using BlockPtr = std::conditional_t<Const, const Block*, Block*>;
        using ElementPtr = std::conditional_t<Const, const T*, T*>;
        friend class ChunkedList;

    public:
        IteratorOf() = default;
        // A mutable iterator converts to a const one.
        template <bool OtherConst, class = std::enable_if_t<Const && !OtherConst>>
        IteratorOf(const IteratorOf<OtherConst>& other)
            : element_(other.element_), first_(other.first_), current_(other.current_)
        {}

        auto& operator*() const { return *element_; }
        ElementPtr operator->() const { return element_; }
        ElementPtr Get() const { return element_; }
        bool IsEnd() const { return element_ == nullptr; }
        int IndexInBlock() const { return element_ == nullptr ? -1 : int(element_ - current_->Items()); }

        IteratorOf& operator++()
        {
            AdvanceBy(1);
            return *this;
        }
        bool operator==(const IteratorOf& other) const { return element_ == other.element_; }
        bool operator!=(const IteratorOf& other) const { return element_ != other.element_; }

        // Moves by n elements across blocks (backwards for negative n). Past the
        // last element, or before the first, the iterator becomes the end
        // iterator. From the end iterator a negative n counts from the end.
        IteratorOf& AdvanceBy(int64_t n)
        {
            if (first_ == nullptr)
                return *this;
            if (element_ == nullptr) {
                if (n >= 0)
                    return *this;
                current_ = first_->previous;
                element_ = current_->Items() + current_->count;
            }
            int64_t index = (element_ - current_->Items()) + n;
            while (index >= current_->count) {
                index -= current_->count;
                current_ = current_->next;
                if (current_ == first_)
                    return BecomeEnd();
            }
            while (index < 0) {
                if (current_ == first_)
                    return BecomeEnd();
                current_ = current_->previous;
                index += current_->count;
            }
            element_ = current_->Items() + index;
            return *this;
        }
        IteratorOf& MoveBy(int64_t n) { return AdvanceBy(n); }

    private:
        IteratorOf(ElementPtr element, BlockPtr first, BlockPtr current)
            : element_(element), first_(first), current_(current)
        {}
        IteratorOf& BecomeEnd()
        {
            element_ = nullptr;
            current_ = nullptr;
            return *this;
        }

        template <bool>
        friend class IteratorOf;

        ElementPtr element_ = nullptr;
        BlockPtr first_ = nullptr;
        BlockPtr current_ = nullptr;
    };
    using Iterator = IteratorOf<false>;
    using ConstIterator = IteratorOf<true>;

    ChunkedList() = default;
    ChunkedList(const ChunkedList& other) { Assign(other); }
    ChunkedList(ChunkedList&& other) noexcept : first_(std::exchange(other.first_, nullptr)) {}
    ChunkedList& operator=(const ChunkedList& other)
    {
        if (this != &other) {
            Clear();
            Assign(other);
        }
        return *this;
    }
    ChunkedList& operator=(ChunkedList&& other) noexcept
    {
        if (this != &other) {
            Clear();
            first_ = std::exchange(other.first_, nullptr);
        }
        return *this;
    }
    ~ChunkedList() { Clear(); }

    // Stores a copy of the element; returns its index within its block.
    int PushBack(const T& element) { return Emplace(element); }
    int PushBack(T&& element) { return Emplace(std::move(element)); }

    Iterator Begin()
    {
        return first_ == nullptr || first_->count == 0 ? End() : Iterator(first_->Items(), first_, first_);
    }
    ConstIterator Begin() const
    {
        return first_ == nullptr || first_->count == 0 ? End() : ConstIterator(first_->Items(), first_, first_);
    }
    Iterator End() { return Iterator(nullptr, first_, nullptr); }
    ConstIterator End() const { return ConstIterator(nullptr, first_, nullptr); }
    Iterator begin() { return Begin(); }
    Iterator end() { return End(); }
    ConstIterator begin() const { return Begin(); }
    ConstIterator end() const { return End(); }

    // First element equal to the value, or the end iterator.
    Iterator Find(const T& value)
    {
        for (Iterator it = Begin(); !it.IsEnd(); ++it) {
            if (*it == value)
                return it;
        }
        return End();
    }
    ConstIterator Find(const T& value) const { return const_cast<ChunkedList*>(this)->Find(value); }

    // The element at an index counted over all blocks; null past the end.
    T* At(int64_t index)
    {
        if (index < 0)
            return nullptr;
        return Begin().AdvanceBy(index).Get();
    }
    const T* At(int64_t index) const { return const_cast<ChunkedList*>(this)->At(index); }

    // Unordered erase: the block's last element moves into the hole. Returns
    // the iterator of the element that now follows (the moved one, or the
    // next block's first).
    Iterator Erase(Iterator it) { return EraseAt(it, false); }
    // Ordered erase: the rest of the block moves down by one.
    Iterator EraseOrdered(Iterator it) { return EraseAt(it, true); }

    // Sum of the blocks' counts (a walk over the blocks, not the elements).
    int64_t TotalCount() const
    {
        int64_t total = 0;
        ForEachBlock([&](const Block* block) { total += block->count; });
        return total;
    }
    bool IsEmpty() const { return first_ == nullptr || first_->count == 0; }

    // Frees every block. Elements of trivially destructible types are not
    // touched; others run their destructors (a list of interned strings
    // releases them), but what a pointer element points to is never deleted.
    void Clear()
    {
        Block* block = std::exchange(first_, nullptr);
        if (block == nullptr)
            return;
        block->previous->next = nullptr;
        while (block != nullptr) {
            Block* next = block->next;
            DestroyElements(block);
            FreeBlock(block);
            block = next;
        }
    }

    // Destroys every element, then frees every block: a pointer list deletes
    // each object through its virtual destructor.
    void DeleteAll()
    {
        if constexpr (std::is_pointer_v<T>) {
            ForEachBlock([](Block* block) {
                for (int32_t i = 0; i < block->count; ++i)
                    delete block->Items()[i];
            });
        }
        Clear();
    }

    // Copies another list into this (empty) one block by block, keeping each
    // block's count.
    void Assign(const ChunkedList& other)
    {
        Clear();
        other.ForEachBlock([&](const Block* source) {
            Block* block = LinkNewBlock();
            for (int32_t i = 0; i < source->count; ++i) {
                new (block->Items() + i) T(source->Items()[i]);
                block->count = i + 1;
            }
        });
    }

private:
    template <class Visit>
    void ForEachBlock(Visit visit) const
    {
        Block* block = first_;
        if (block == nullptr)
            return;
        do {
            Block* next = block->next;
            visit(block);
            block = next;
        } while (block != first_);
    }

    static Block* AllocateBlock()
    {
        Block* block = static_cast<Block*>(Zel::Alloc::New(sizeof(Block)));
        block->next = block;
        block->previous = block;
        block->count = 0;
        return block;
    }
    static void FreeBlock(Block* block) { Zel::Alloc::Delete(block); }

    static void DestroyElements(Block* block)
    {
        if constexpr (!std::is_trivially_destructible_v<T>) {
            for (int32_t i = 0; i < block->count; ++i)
                block->Items()[i].~T();
        }
        block->count = 0;
    }

    // A new block linked between the last block and the first.
    Block* LinkNewBlock()
    {
        Block* block = AllocateBlock();
        if (first_ == nullptr) {
            first_ = block;
            return block;
        }
        Block* last = first_->previous;
        block->previous = last;
        block->next = first_;
        last->next = block;
        first_->previous = block;
        return block;
    }

    Block* BlockWithRoom()
    {
        if (first_ == nullptr)
            return LinkNewBlock();
        if constexpr (Fill == ChunkedFill::FirstWithRoom) {
            Block* block = first_;
            do {
                if (block->count < N)
                    return block;
                block = block->next;
            } while (block != first_);
            return LinkNewBlock();
        } else {
            Block* last = first_->previous;
            return last->count < N ? last : LinkNewBlock();
        }
    }

    template <class U>
    int Emplace(U&& element)
    {
        Block* block = BlockWithRoom();
        int index = block->count;
        new (block->Items() + index) T(std::forward<U>(element));
        block->count = index + 1;
        return index;
    }

    Iterator EraseAt(Iterator it, bool ordered)
    {
        if (it.IsEnd())
            return it;
        Block* block = it.current_;
        T* items = block->Items();
        int32_t index = int32_t(it.element_ - items);
        int32_t last = block->count - 1;
        if (ordered) {
            for (int32_t i = index; i < last; ++i)
                items[i] = std::move(items[i + 1]);
        } else if (index != last) {
            items[index] = std::move(items[last]);
        }
        items[last].~T();
        block->count = last;
        if (block->count > 0) {
            if (index < block->count)
                return Iterator(items + index, first_, block);
            return NextBlockStart(block);
        }
        // The emptied block goes; the following element is the next block's first.
        bool wasLast = block->next == first_;
        Block* next = block->next;
        UnlinkAndFree(block);
        if (wasLast || first_ == nullptr)
            return End();
        return Iterator(next->Items(), first_, next);
    }

    Iterator NextBlockStart(Block* block)
    {
        Block* next = block->next;
        if (next == first_)
            return End();
        return Iterator(next->Items(), first_, next);
    }

    void UnlinkAndFree(Block* block)
    {
        if (block->next == block) {
            first_ = nullptr;
        } else {
            block->previous->next = block->next;
            block->next->previous = block->previous;
            if (block == first_)
                first_ = block->next;
        }
        FreeBlock(block);
    }

    Block* first_ = nullptr;
};
