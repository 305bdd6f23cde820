// TSubFile: a window [start, end) over another stream, read through that stream's cache.
#pragma once

#include <algorithm>

#include "foundation/streams/t_stream.h"

class TSubFile : public TStream {
public:
    // Start and end are absolute positions in the underlying stream; the
    // window's current position starts at the underlying logical position
    // (kept inside the window). An end before the start makes an empty window.
    TSubFile(TStream& underlying, int64_t start, int64_t end);
    // How a small window takes the bytes the underlying stream has cached.
    enum Holding {
        // Copies them: the underlying stream stays free for other readers.
        CopyHeld,
        // Reads them where they lie, in the underlying stream's cache, which
        // must then not be read, written or moved while the window lives.
        ShareHeld,
    };
    // The same, for a caller that already knows the underlying logical
    // position (underlyingTell). Inline: a list opens a window per record it
    // reads, and leaves the stream alone until the record is read.
    TSubFile(TStream& underlying, int64_t start, int64_t end, int64_t underlyingTell, Holding holding = CopyHeld)
        : underlying_(underlying), start_(start), end_(std::max(start, end)),
          current_(std::clamp(underlyingTell, start_, end_))
    {
        // A small window whose bytes the underlying stream has cached is taken
        // whole now: reading a record then costs no call into the underlying
        // stream, and a list reads one small record after another.
        const int64_t rest = end_ - current_;
        if (rest <= 0 || rest > CacheSize)
            return;
        const uint8_t* held = HeldInput(underlying, underlyingTell, current_, rest);
        if (held == nullptr)
            return;
        if (holding == ShareHeld)
            ShareInput(held, int32_t(rest));
        else
            HoldInput(held, int32_t(rest));
        current_ = end_;
    }

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
