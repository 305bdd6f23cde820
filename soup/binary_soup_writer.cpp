// Writing a soup in the "ACS$" binary form.
#include <cstring>
#include <vector>

#include "foundation/streams/t_stream.h"
#include "soup/binary_soup.h"
#include "soup/binary_soup_entries.h"
#include "soup/soup_handle.h"

namespace {

// Entries are built in memory, where each entry's size can be patched once
// its payload is known, and reach the stream in one write.
class BinarySoupWriter {
public:
    void Container(const ACSChunk& container)
    {
        const int32_t count = container.CountTags();
        for (int32_t i = 0; i < count; ++i) {
            Zel::PString name;
            ChunkRef chunk;
            if (container.GetIndexedTag(i, name, chunk))
                Tag(*chunk, name);
        }
    }

    void Tag(const ACSChunk& chunk, const Zel::PString& name)
    {
        const size_t nameLength = name.Length();
        if (nameLength + 1 > 255)
            return;
        const size_t sizeField = bytes_.size();
        Word(0);
        // An empty name is written with length 0 and no zero byte.
        if (nameLength == 0) {
            bytes_.push_back(0);
        } else {
            bytes_.push_back(uint8_t(nameLength + 1));
            Append(name.c_str(), nameLength + 1);
        }
        const int32_t type = chunk.GetType();
        bytes_.push_back(FileType(type));
        if (type == SoupTypeContainer)
            Container(chunk);
        else if (type != SoupTypeNone)
            Append(chunk.GetData(), size_t(chunk.GetDataSize()));
        PatchWord(sizeField, uint32_t(bytes_.size() - sizeField - 4));
    }

    void Word(uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8)
            bytes_.push_back(uint8_t(value >> shift));
    }

    void PatchWord(size_t at, uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes_[at + size_t(i)] = uint8_t(value >> (8 * i));
    }

    void Append(const void* data, size_t length)
    {
        if (data == nullptr || length == 0)
            return;
        const uint8_t* from = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), from, from + length);
    }

    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    static uint8_t FileType(int32_t type)
    {
        switch (type) {
        case SoupTypeNone:
            return BinaryTypeNone;
        case SoupTypeContainer:
            return BinaryTypeContainer;
        case SoupTypeRaw:
            return BinaryTypeRaw;
        case SoupTypeFloat:
            return BinaryTypeFloat;
        case SoupTypeText:
        case SoupTypeText2:
            return BinaryTypeText;
        case SoupTypeInt:
            return BinaryTypeInt;
        case SoupTypeKUID:
            return BinaryTypeKUID;
        default:
            return BinaryTypeNone;
        }
    }

    std::vector<uint8_t> bytes_;
};

void Flush(BinarySoupWriter& writer, TStream& stream)
{
    stream.Write(writer.Bytes().data(), int64_t(writer.Bytes().size()));
}

}  // namespace

void WriteBinarySoup(TStream& stream, const SoupHandle& soup)
{
    BinarySoupWriter writer;
    writer.Word(kBinarySoupMagic);
    writer.Word(kBinarySoupVersion);
    writer.Word(0);
    writer.Word(0);
    if (soup.Root())
        writer.Container(*soup.Root());
    writer.PatchWord(12, uint32_t(writer.Bytes().size() - kBinarySoupHeaderSize));
    Flush(writer, stream);
}

void WriteBinaryContainer(const ChunkRef& container, TStream& stream)
{
    if (!container)
        return;
    BinarySoupWriter writer;
    writer.Container(*container);
    Flush(writer, stream);
}

void WriteBinaryTag(const ChunkRef& chunk, const Zel::PString& name, TStream& stream)
{
    if (!chunk)
        return;
    BinarySoupWriter writer;
    writer.Tag(*chunk, name);
    Flush(writer, stream);
}
