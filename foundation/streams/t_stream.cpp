// TStream: the read cache, positioning and the typed reads and writes that need more than a copy.
#include "foundation/streams/t_stream.h"

#include <algorithm>

int64_t TStream::Read(void* buffer, int64_t count)
{
    HandOverStaged();
    if (count <= 0)
        return 0;
    uint8_t* out = static_cast<uint8_t*>(buffer);
    int64_t fromCache = std::min<int64_t>(UnreadCount(), count);
    std::memcpy(out, input_ + cursor_, size_t(fromCache));
    cursor_ += int32_t(fromCache);
    int64_t wanted = count - fromCache;
    if (wanted == 0)
        return count;

    if (wanted >= DirectReadSize) {
        EmptyCache();
        int64_t got = RawRead(out + fromCache, wanted);
        return fromCache + std::max<int64_t>(got, 0);
    }

    int64_t got;
    if (cursor_ == CacheSize) {
        // Shared input is kept in the cache of its own from here on.
        std::memmove(cache_, input_ + CacheSize - KeptBytes, KeptBytes);
        input_ = cache_;
        cursor_ = KeptBytes;
        filled_ = cursor_;
        got = RawRead(cache_ + KeptBytes, CacheSize - KeptBytes);
    } else {
        EmptyCache();
        got = RawRead(cache_, CacheSize);
    }
    filled_ = cursor_ + int32_t(std::max<int64_t>(got, 0));
    int64_t delivered = std::min<int64_t>(UnreadCount(), wanted);
    std::memcpy(out + fromCache, cache_ + cursor_, size_t(delivered));
    cursor_ += int32_t(delivered);
    return fromCache + delivered;
}

void TStream::DropReadCache()
{
    int32_t unread = UnreadCount();
    EmptyCache();
    if (unread > 0)
        DoSeek(Tell() - unread, FromStart);
}

void TStream::WriteStaged()
{
    const int32_t count = staged_;
    staged_ = 0;
    stageLimit_ = 0;
    if (count > 0)
        DoWrite(cache_, count);
}

void TStream::StageFirst(const void* bytes, int32_t count)
{
    HandOverStaged();
    if (UnreadCount() > 0)
        DropReadCache();
    else
        EmptyCache();
    stageBase_ = Tell();
    stageLimit_ = CacheSize;
    std::memcpy(cache_, bytes, size_t(count));
    staged_ = count;
}

int64_t TStream::Seek(int64_t offset, int origin)
{
    HandOverStaged();
    if (origin == FromCurrent) {
        offset += Tell();
        origin = FromStart;
    }
    EmptyCache();
    return DoSeek(offset, origin);
}

int64_t TStream::MoveToAnywhere(int64_t position)
{
    HandOverStaged();
    int64_t step = position - Tell();
    if (int64_t(cursor_) + step >= 0 && step <= UnreadCount()) {
        cursor_ += int32_t(step);
        return position;
    }
    return Seek(position, FromStart);
}

int64_t TStream::Size()
{
    int64_t position = Tell();
    Seek(0, FromEnd);
    int64_t size = Tell();
    MoveTo(position);
    return size;
}

int64_t TStream::ReadBytes(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    int64_t got = Read(buffer, count);
    if (got < count)
        SetError(ErrorShortRead);
    return got;
}

void TStream::ReadInt32Array(int32_t* values, int64_t count, int32_t fallback)
{
    for (int64_t i = 0; i < count; ++i)
        values[i] = ReadInt32(fallback);
}

void TStream::WriteInt32Array(const int32_t* values, int64_t count)
{
    for (int64_t i = 0; i < count; ++i)
        WriteInt32(values[i]);
}
