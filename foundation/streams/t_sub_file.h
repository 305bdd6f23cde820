// TSubFile: a window [start, end) over another stream, read through that stream's cache.
#pragma once

#include "foundation/streams/t_stream.h"

class TSubFile : public TStream {
public:
    // Start and end are absolute positions in the underlying stream; the
    // window's current position starts at the underlying logical position
    // (kept inside the window). An end before the start makes an empty window.
    TSubFile(TStream& underlying, int64_t start, int64_t end);
    // The same, for a caller that already knows the underlying logical
    // position (underlyingTell): a list opens a window per record it reads.
    TSubFile(TStream& underlying, int64_t start, int64_t end, int64_t underlyingTell);

    // Nothing to reset in a window.
    void Reset() override {}
    // Relative to the window's start.
    int64_t Tell() override;
    bool IsOpen() override { return underlying_.IsOpen(); }
    bool Eof() override;

    int64_t Start() const { return start_; }
    int64_t End() const { return end_; }

protected:
    // Writes through the underlying stream at the current position; the
    // window is not checked (callers patch inside what they read).
    int64_t DoWrite(const void* bytes, int64_t count) override;
    // Reads nothing past the end and shortens a request that would pass it.
    int64_t RawRead(void* buffer, int64_t count) override;
    // FromStart counts from the window's start, FromEnd adds the offset to the
    // window's end; the result is limited to [start, end].
    int64_t DoSeek(int64_t offset, int origin) override;

private:
    TStream& underlying_;
    int64_t start_;
    int64_t end_;
    int64_t current_;
};
