// Growable 4-aligned byte buffer: the code buffer and the library-image writer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Utils {

class ByteBuffer {
public:
    static constexpr uint32_t kAllocationFailed = 1;  // no more writes until Reset
    static constexpr uint32_t kReadPastEnd = 2;

    ByteBuffer() = default;
    ~ByteBuffer() { Free(); }
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // `growthStep` is the first capacity and the least a growth adds; each
    // growth at least doubles the capacity.
    bool Init(uint32_t growthStep);
    // Like Init, but the first write allocates: a buffer that may stay empty
    // (the code of a native function, the reference list of most functions)
    // costs nothing, and one per declared function adds up.
    void Prepare(uint32_t growthStep);
    void Reset();
    void Free();
    // Makes room up to `position`; the length becomes at least `position`.
    bool Reserve(size_t position);
    void WriteU32(uint32_t value);
    void WriteU16(uint16_t value);
    void WriteU8(uint8_t value);
    void WriteBytes(const void* bytes, size_t length);
    // False (flag kReadPastEnd set, output untouched) when fewer than 4 bytes remain.
    bool ReadU32(uint32_t* value);
    // Overwrites an earlier word in place (a jump operand) without moving the
    // cursor; a word that would end beyond the length is not written and sets
    // kReadPastEnd instead (the buffer never grows for a patch).
    bool PatchU32(size_t position, uint32_t value);
    // Moves the cursor; beyond the length it sets kReadPastEnd and stays.
    bool Seek(size_t position);

    uint32_t Flags() const { return flags_; }
    size_t Cursor() const { return cursor_; }
    size_t Length() const { return length_; }
    size_t Capacity() const { return capacity_; }
    const uint8_t* Data() const { return data_; }
    uint8_t* Data() { return data_; }

private:
    uint32_t flags_ = 0;
    uint32_t step_ = 0;
    size_t cursor_ = 0;
    size_t length_ = 0;
    size_t capacity_ = 0;
    uint8_t* data_ = nullptr;
    void* raw_ = nullptr;
};

}  // namespace Utils
