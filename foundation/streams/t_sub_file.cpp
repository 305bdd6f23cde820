// TSubFile: a read window inside another stream.
#include "foundation/streams/t_sub_file.h"

#include <algorithm>

TSubFile::TSubFile(TStream& underlying, int64_t start, int64_t end)
    : TSubFile(underlying, start, end, underlying.Tell())
{}

TSubFile::TSubFile(TStream& underlying, int64_t start, int64_t end, int64_t underlyingTell)
    : underlying_(underlying), start_(start), end_(std::max(start, end)), current_(underlyingTell)
{
    const int64_t tell = current_;
    current_ = std::clamp(current_, start_, end_);
    // A small window whose bytes the underlying stream has cached is taken
    // whole now: reading a record then costs no call into the underlying
    // stream, and a list reads one small record after another.
    const int64_t rest = end_ - current_;
    if (rest > 0 && rest <= CacheSize) {
        if (const uint8_t* held = HeldInput(underlying, tell, current_, rest)) {
            HoldInput(held, int32_t(rest));
            current_ = end_;
        }
    }
}

int64_t TSubFile::Tell()
{
    return current_ - start_ - UnreadCount() + StagedCount();
}

bool TSubFile::Eof()
{
    HandOverStaged();
    return UnreadCount() == 0 && current_ >= end_;
}

int64_t TSubFile::DoWrite(const void* bytes, int64_t count)
{
    underlying_.MoveTo(current_);
    int64_t written = underlying_.Write(bytes, count);
    current_ += written;
    return written;
}

int64_t TSubFile::RawRead(void* buffer, int64_t count)
{
    if (current_ >= end_)
        return 0;
    count = std::min(count, end_ - current_);
    // Another reader of the underlying stream may have moved it.
    underlying_.MoveTo(current_);
    int64_t got = underlying_.Read(buffer, count);
    current_ += got;
    return got;
}

int64_t TSubFile::DoSeek(int64_t offset, int origin)
{
    int64_t base = origin == FromEnd ? end_ : start_;
    current_ = std::clamp(base + offset, start_, end_);
    underlying_.MoveTo(current_);
    return current_ - start_;
}
