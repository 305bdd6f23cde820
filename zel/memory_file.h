// Engine memory file: a whole file copied into memory and read with bounds, four bytes or one block at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zel {

class File;

// Every read is bounded: when fewer bytes are left than asked for, nothing
// is read, the destination keeps what it held and the position stays. The
// mesh readers rely on that to turn damaged files into result codes.
class MemoryFile {
public:
    MemoryFile() = default;
    // The source is left empty.
    MemoryFile(MemoryFile&& other) noexcept;
    MemoryFile& operator=(MemoryFile&& other) noexcept;

    // Copies the whole file into memory; 0, or the errno of the failed open
    // or read. A file already held is dropped first.
    int Open(const char* path);
    // Reads an open file whole, straight into the storage the reads use; 0,
    // EIO or ENOMEM.
    int Open(File& file);
    // Takes the bytes as the content (tests, fuzzing, in-memory sources).
    void Open(std::vector<uint8_t> bytes, const std::string& name = std::string());
    void Close();

    bool HasData() const { return size_ != 0; }
    const uint8_t* Data() const { return data_.get(); }
    size_t Size() const { return size_; }
    size_t Position() const { return position_; }
    // Clamped to [0, Size()].
    void SetPosition(int64_t position);
    size_t Left() const { return position_ < size_ ? size_ - position_ : 0; }
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }

    bool Read(uint32_t& value);
    bool Read(int32_t& value);
    bool Read(float& value);
    // One block copy of count bytes, or nothing.
    bool ReadBytes(void* destination, size_t count);
    bool Skip(size_t count);
    // A position that may point anywhere for later reads (bulk copies use it directly).
    const uint8_t* At() const { return data_.get() + position_; }

    // Needed for JIRF reads over the same bytes.
    size_t& PositionRef() { return position_; }

private:
    // Not zero-filled: every byte is read from the file before use.
    std::unique_ptr<uint8_t[]> data_;
    size_t size_ = 0;
    size_t position_ = 0;
    std::string name_;
};

}  // namespace Zel
