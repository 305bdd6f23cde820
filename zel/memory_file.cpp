// Engine memory file: whole-file load and bounded little-endian reads.
#include "zel/memory_file.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "zel/file.h"
#include "zel/jirf.h"

namespace Zel {

MemoryFile::MemoryFile(MemoryFile&& other) noexcept
{
    *this = std::move(other);
}

MemoryFile& MemoryFile::operator=(MemoryFile&& other) noexcept
{
    if (this == &other)
        return *this;
    data_ = std::move(other.data_);
    size_ = other.size_;
    position_ = other.position_;
    name_ = std::move(other.name_);
    other.Close();
    other.name_.clear();
    return *this;
}

int MemoryFile::Open(const char* path)
{
    Close();
    File file;
    int result = file.Open(path, File::ModeRead);
    if (result != 0)
        return result;
    return Open(file);
}

int MemoryFile::Open(File& file)
{
    Close();
    int64_t size = file.Size();
    if (size < 0)
        return EIO;
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(size) + 1]);
    if (!bytes)
        return ENOMEM;
    if (size > 0 && file.Read(bytes.get(), size) != size)
        return EIO;
    data_ = std::move(bytes);
    size_ = static_cast<size_t>(size);
    name_ = file.Name();
    return 0;
}

void MemoryFile::Open(std::vector<uint8_t> bytes, const std::string& name)
{
    Close();
    data_.reset(new uint8_t[bytes.size() + 1]);
    if (!bytes.empty())
        memcpy(data_.get(), bytes.data(), bytes.size());
    size_ = bytes.size();
    name_ = name;
}

void MemoryFile::Close()
{
    data_.reset();
    size_ = 0;
    position_ = 0;
}

void MemoryFile::SetPosition(int64_t position)
{
    if (position < 0)
        position = 0;
    if (static_cast<uint64_t>(position) > size_)
        position = static_cast<int64_t>(size_);
    position_ = static_cast<size_t>(position);
}

bool MemoryFile::Read(uint32_t& value)
{
    return JIRFReadWord(data_.get(), size_, position_, value);
}

bool MemoryFile::Read(int32_t& value)
{
    uint32_t word = 0;
    if (!Read(word))
        return false;
    value = static_cast<int32_t>(word);
    return true;
}

bool MemoryFile::Read(float& value)
{
    uint32_t word = 0;
    if (!Read(word))
        return false;
    memcpy(&value, &word, 4);
    return true;
}

bool MemoryFile::ReadBytes(void* destination, size_t count)
{
    if (count > Left())
        return false;
    if (count > 0)
        memcpy(destination, data_.get() + position_, count);
    position_ += count;
    return true;
}

bool MemoryFile::Skip(size_t count)
{
    if (count > Left())
        return false;
    position_ += count;
    return true;
}

}  // namespace Zel
