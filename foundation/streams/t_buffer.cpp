// TBuffer: stream operations over an engine DynamicBuffer.
#include "foundation/streams/t_buffer.h"

#include <algorithm>

namespace {

constexpr size_t LargeBufferSize = 0x4000;
constexpr size_t LargeGrowth = 0x10000;

}  // namespace

TBuffer::TBuffer() : TBuffer(nullptr, true) {}

TBuffer::TBuffer(Zel::DynamicBuffer* buffer, bool owns) : buffer_(buffer), owns_(owns)
{
    if (buffer_ == nullptr) {
        buffer_ = new Zel::DynamicBuffer(0, 512);
        owns_ = true;
    }
    // Small fields are most of what a buffer is given.
    UseWriteWindow(buffer_);
}

TBuffer::~TBuffer()
{
    HandOverStaged();
    if (owns_)
        delete buffer_;
}

void TBuffer::Reset()
{
    HandOverStaged();
    EmptyCache();
    buffer_->Clean();
}

int64_t TBuffer::Tell()
{
    return int64_t(buffer_->GetPosition()) - UnreadCount() + StagedCount();
}

bool TBuffer::Eof()
{
    HandOverStaged();
    return Tell() >= int64_t(buffer_->GetLength());
}

int64_t TBuffer::DoWrite(const void* bytes, int64_t count)
{
    size_t size = size_t(count);
    size_t end = buffer_->GetPosition() + size;
    const size_t allocated = buffer_->GetAllocatedSize();
    if (end > allocated && buffer_->GetLength() > LargeBufferSize) {
        // Doubling: a fixed step would copy a large stream once per step.
        size_t wanted = std::max(end + LargeGrowth, allocated > SIZE_MAX / 2 ? end : allocated * 2);
        if (!buffer_->Reserve(wanted) && !buffer_->Reserve(end)) {
            SetError(ErrorOutOfMemory);
            return 0;
        }
    }
    size_t written = buffer_->Write(bytes, size);
    if (written != size) {
        SetError(ErrorOutOfMemory);
        return 0;
    }
    return count;
}

int64_t TBuffer::RawRead(void* buffer, int64_t count)
{
    return int64_t(buffer_->Read(buffer, size_t(count)));
}

int64_t TBuffer::DoSeek(int64_t offset, int origin)
{
    int64_t target = offset;
    if (origin == FromEnd)
        target = int64_t(buffer_->GetLength()) - offset;
    target = std::clamp<int64_t>(target, 0, int64_t(buffer_->GetAllocatedSize()));
    buffer_->SetPosition(size_t(target));
    return Tell();
}

bool TBuffer::PatchUInt32(int64_t position, uint32_t value)
{
    HandOverStaged();
    if (position < 0 || position > DataLength() - 4)
        return false;
    // Unread cached bytes may cover the word: hand them back first, as a write would.
    if (UnreadCount() > 0)
        DropReadCache();
    uint8_t* at = buffer_->GetData() + position;
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(value >> (8 * i));
    return true;
}
