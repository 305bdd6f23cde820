// TBuffer: a TStream over an engine DynamicBuffer (daemon requests and replies, saved structures).
#pragma once

#include "foundation/streams/t_stream.h"
#include "zel/dynamic_buffer.h"

class TBuffer : public TStream {
public:
    // Over a fresh buffer of its own.
    TBuffer();
    // Over the given buffer; a null buffer gets a fresh one of its own. With
    // owns set the buffer is deleted with the stream.
    TBuffer(Zel::DynamicBuffer* buffer, bool owns);
    ~TBuffer() override;

    // Empties the buffer.
    void Reset() override;
    int64_t Tell() override;
    bool IsOpen() override { return true; }
    // True when the logical position is at or past the data length.
    bool Eof() override;

    // The buffer itself, holding every write but those a WriteRun still
    // stages (the mutable form hands them over first).
    Zel::DynamicBuffer& Buffer()
    {
        HandOverStaged();
        return *buffer_;
    }
    const Zel::DynamicBuffer& Buffer() const { return *buffer_; }
    const uint8_t* Data() const { return buffer_->GetData(); }
    int64_t DataLength() const { return int64_t(buffer_->GetLength()); }

    // Writes a little-endian word over four bytes of data already held,
    // leaving the position where it is: a block's length filled in without
    // two seeks. False (nothing written) when the bytes are not all held.
    bool PatchUInt32(int64_t position, uint32_t value);

protected:
    // Past 16 KB the buffer at least doubles when it grows, so a large
    // stream is built in linear time. Out of memory: 0 and ErrorOutOfMemory.
    int64_t DoWrite(const void* bytes, int64_t count) override;
    int64_t RawRead(void* buffer, int64_t count) override;
    // FromEnd takes the data length minus the offset; the result is limited
    // to the allocated size.
    int64_t DoSeek(int64_t offset, int origin) override;
    bool OverwriteHeld(int64_t position, uint32_t value) override { return PatchUInt32(position, value); }

private:
    Zel::DynamicBuffer* buffer_;
    bool owns_;
};
