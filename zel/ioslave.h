// Byte sources and sinks for the compressors, and buffered read/write cursors over them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zel {

class File;

// A byte source or sink with a position that can be moved back (the
// compressor falls back to the stored form by rewinding both sides).
class IOSlave {
public:
    virtual ~IOSlave() = default;
    // Bytes transferred; short at the end of a source or when a sink is full.
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* data, size_t count) = 0;
    virtual int64_t Tell() const = 0;
    virtual bool Seek(int64_t position) = 0;
};

// Over a fixed memory block: reads stop at its length, writes at its capacity.
class MemoryIOSlave : public IOSlave {
public:
    MemoryIOSlave(void* block, size_t capacity, size_t length);
    // Read-only view.
    MemoryIOSlave(const void* block, size_t length);
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* data, size_t count) override;
    int64_t Tell() const override { return static_cast<int64_t>(position_); }
    bool Seek(int64_t position) override;
    // Highest position written or given at construction.
    size_t Length() const { return length_; }

private:
    uint8_t* block_;
    const uint8_t* readBlock_;
    size_t capacity_;
    size_t length_;
    size_t position_ = 0;
};

// Over an open Zel::File (not owned).
class FileIOSlave : public IOSlave {
public:
    explicit FileIOSlave(File* file) : file_(file) {}
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* data, size_t count) override;
    int64_t Tell() const override;
    bool Seek(int64_t position) override;

private:
    File* file_;
};

// Buffered reading from a slave, byte by byte.
class IOReadCursor {
public:
    IOReadCursor(IOSlave& slave, size_t limit, size_t bufferSize = 0x8000);
    // Next byte, or -1 when the limit or the source ran out.
    int Get()
    {
        if (pos_ < end_)
            return buffer_[pos_++];
        return Refill();
    }
    // Bytes copied (short at the end).
    size_t Read(void* destination, size_t count);
    size_t Consumed() const { return consumed_ - (end_ - pos_); }

private:
    bool Fill();
    int Refill();
    IOSlave& slave_;
    size_t left_;
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    size_t consumed_ = 0;
};

// Buffered writing to a slave; Flush (or the destructor) hands the bytes on.
// Once a write to the slave comes short, Failed() stays true.
class IOWriteCursor {
public:
    explicit IOWriteCursor(IOSlave& slave, size_t bufferSize = 0x8000);
    ~IOWriteCursor() { Flush(); }
    bool Put(uint8_t byte)
    {
        if (pos_ == buffer_.size() && !Flush())
            return false;
        buffer_[pos_++] = byte;
        return true;
    }
    bool Write(const void* data, size_t count);
    bool Flush();
    bool Failed() const { return failed_; }
    // Bytes accepted so far (written or buffered).
    size_t Written() const { return written_ + pos_; }

private:
    IOSlave& slave_;
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0;
    size_t written_ = 0;
    bool failed_ = false;
};

}  // namespace Zel
