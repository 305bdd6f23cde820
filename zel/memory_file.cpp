// Engine memory file: whole-file load and bounded little-endian reads.
#include "zel/memory_file.h"

#include <cerrno>
#include <cstring>

#include "zel/file.h"
#include "zel/jirf.h"

namespace Zel {

int MemoryFile::Open(const char* path)
{
    Close();
    File file;
    int result = file.Open(path, File::ModeRead);
    if (result != 0)
        return result;
    int64_t size = file.Size();
    if (size < 0)
        return EIO;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && file.Read(bytes.data(), size) != size)
        return EIO;
    Open(std::move(bytes), file.Name());
    return 0;
}

void MemoryFile::Open(std::vector<uint8_t> bytes, const std::string& name)
{
    data_ = std::move(bytes);
    position_ = 0;
    name_ = name;
}

void MemoryFile::Close()
{
    std::vector<uint8_t>().swap(data_);
    position_ = 0;
}

void MemoryFile::SetPosition(int64_t position)
{
    if (position < 0)
        position = 0;
    if (static_cast<uint64_t>(position) > data_.size())
        position = static_cast<int64_t>(data_.size());
    position_ = static_cast<size_t>(position);
}

bool MemoryFile::Read(uint32_t& value)
{
    return JIRFReadWord(data_.data(), data_.size(), position_, value);
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
        memcpy(destination, data_.data() + position_, count);
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
