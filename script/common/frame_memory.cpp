// Arena allocator of the script toolchain.
#include "script/common/frame_memory.h"

#include <cstring>
#include <new>

#include "zel/alloc.h"

namespace Utils {

FrameMemory::FrameMemory()
{
    current_ = first_ = NewFrame();
}

FrameMemory::~FrameMemory()
{
    ReleaseAll();
}

FrameMemory::Frame* FrameMemory::NewFrame()
{
    if (frameSize_ == 0)
        return nullptr;
    void* raw = Zel::Alloc::TryNew(sizeof(Frame) + frameSize_);
    if (raw == nullptr)
        return nullptr;
    Frame* frame = static_cast<Frame*>(raw);
    frame->data = reinterpret_cast<char*>(frame + 1);
    frame->used = 0;
    frame->next = nullptr;
    return frame;
}

void FrameMemory::Init(uint32_t frameSize)
{
    ReleaseAll();
    frameSize_ = frameSize;
    current_ = first_ = NewFrame();
}

void* FrameMemory::Alloc(size_t size, size_t alignment)
{
    if (alignment == 0)
        alignment = 1;
    size_t needed = size + alignment - 1;
    if (current_ == nullptr && first_ == nullptr && frameSize_ != 0) {
        current_ = first_ = NewFrame();
    }
    if (current_ == nullptr || needed > frameSize_)
        return nullptr;
    if (current_->used + needed > frameSize_) {
        if (current_->next == nullptr) {
            Frame* frame = NewFrame();
            if (frame == nullptr)
                return nullptr;
            current_->next = frame;
        }
        current_ = current_->next;
    }
    uintptr_t at = reinterpret_cast<uintptr_t>(current_->data + current_->used);
    at = (at + alignment - 1) / alignment * alignment;
    current_->used += static_cast<uint32_t>(needed);
    total_ += needed;
    ++count_;
    return reinterpret_cast<void*>(at);
}

char* FrameMemory::Strdup(const char* text)
{
    if (text == nullptr)
        return nullptr;
    size_t length = std::strlen(text);
    char* copy = static_cast<char*>(Alloc(length + 1, 1));
    if (copy != nullptr)
        std::memcpy(copy, text, length + 1);
    return copy;
}

char* FrameMemory::StrdupAnyLength(const char* text, size_t length)
{
    if (text == nullptr)
        return nullptr;
    char* copy = static_cast<char*>(Alloc(length + 1, 1));
    if (copy == nullptr) {
        void* raw = Zel::Alloc::TryNew(sizeof(LargeBlock) + length + 1);
        if (raw == nullptr)
            return nullptr;
        LargeBlock* block = static_cast<LargeBlock*>(raw);
        block->next = large_;
        large_ = block;
        copy = reinterpret_cast<char*>(block + 1);
    }
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

void FrameMemory::ReleaseAll()
{
    for (Frame* frame = first_; frame != nullptr;) {
        Frame* next = frame->next;
        Zel::Alloc::Delete(frame);
        frame = next;
    }
    for (LargeBlock* block = large_; block != nullptr;) {
        LargeBlock* next = block->next;
        Zel::Alloc::Delete(block);
        block = next;
    }
    first_ = current_ = nullptr;
    large_ = nullptr;
    total_ = 0;
    count_ = 0;
    frameSize_ = 0;
}

}  // namespace Utils
