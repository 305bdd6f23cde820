// TSubFile: a read window inside another stream.
#include "foundation/streams/t_sub_file.h"

#include <algorithm>

TSubFile::TSubFile(TStream& underlying, int64_t start, int64_t end)
    : TSubFile(underlying, start, end, underlying.Tell())
{}

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
