// The engine's JIRF container: header and chunk framing, sizes reserved and patched.
#include "zel/jirf.h"

#include <cstring>
#include <limits>

#include "zel/file.h"

namespace Zel {

int64_t MarkSizePos(File& file)
{
    int64_t mark = file.Tell();
    if (mark < 0 || !file.Write(uint32_t{0}))
        return -1;
    return mark;
}

bool WriteSizeAtMark(File& file, int64_t mark)
{
    int64_t end = file.Tell();
    if (mark < 0 || end < mark + 4)
        return false;
    int64_t size = end - (mark + 4);
    if (size > std::numeric_limits<int32_t>::max())
        return false;
    if (file.Seek(mark, File::SeekSet) != mark)
        return false;
    bool written = file.Write(static_cast<uint32_t>(size));
    // Return to the end even after a failed write so the caller's position holds.
    bool back = file.Seek(end, File::SeekSet) == end;
    return written && back;
}

int64_t JIRFWriteHeader(File& file, uint32_t fileType)
{
    if (!file.Write(JIRFTag("JIRF")))
        return -1;
    int64_t mark = MarkSizePos(file);
    if (mark < 0 || !file.Write(fileType))
        return -1;
    return mark;
}

int64_t JIRFWriteChunkHead(File& file, uint32_t tag, int32_t version)
{
    if (!file.Write(tag))
        return -1;
    int64_t mark = MarkSizePos(file);
    if (mark < 0 || !file.Write(static_cast<uint32_t>(version)))
        return -1;
    return mark;
}

bool JIRFReadWord(const uint8_t* data, size_t size, size_t& position, uint32_t& value)
{
    if (!data || position > size || size - position < 4)
        return false;
    uint8_t bytes[4];
    memcpy(bytes, data + position, 4);
    value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
            static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    position += 4;
    return true;
}

bool JIRFReadHeader(const uint8_t* data, size_t size, size_t& position, JIRFHeader& header)
{
    uint32_t mark = 0;
    if (!JIRFReadWord(data, size, position, mark) || mark != JIRFTag("JIRF"))
        return false;
    uint32_t contentSize = 0;
    if (!JIRFReadWord(data, size, position, contentSize))
        return false;
    header.contentEnd = static_cast<int64_t>(position) + static_cast<int32_t>(contentSize);
    return JIRFReadWord(data, size, position, header.type);
}

JIRFChunkHead JIRFReadChunkHead(const uint8_t* data, size_t size, size_t& position, uint32_t expected)
{
    JIRFChunkHead head;
    head.tagRead = JIRFReadWord(data, size, position, head.tag);
    if (!head.tagRead || head.tag != expected)
        return head;
    uint32_t word = 0;
    head.sizeRead = JIRFReadWord(data, size, position, word);
    if (head.sizeRead)
        head.size = static_cast<int32_t>(word);
    head.sizeEnd = position;
    head.versionRead = JIRFReadWord(data, size, position, word);
    if (head.versionRead)
        head.version = static_cast<int32_t>(word);
    return head;
}

bool JIRFPeekChunk(const uint8_t* data, size_t size, size_t& position, uint32_t tag)
{
    uint32_t word = 0;
    if (!JIRFReadWord(data, size, position, word))
        return false;
    if (word == tag)
        return true;
    position -= 4;
    return false;
}

}  // namespace Zel
