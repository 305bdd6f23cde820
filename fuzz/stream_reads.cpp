// Fuzz target: TStream typed reads, strings, KUIDs and windows over arbitrary bytes in a TBuffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "foundation/streams/t_buffer.h"
#include "foundation/streams/t_sub_file.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// The first byte of the input chooses the reads; the rest is the stream.
void ReadSequence(TStream& stream, uint8_t recipe, int64_t size)
{
    for (int step = 0; step < 64 && !stream.Eof(); ++step) {
        switch ((recipe + step * 7) % 11) {
        case 0:
            stream.ReadInt32(-1);
            break;
        case 1:
            stream.ReadInt64();
            break;
        case 2:
            stream.ReadBool();
            break;
        case 3:
            stream.ReadPString();
            break;
        case 4:
            stream.ReadString();
            break;
        case 5:
            stream.ReadKUID();
            break;
        case 6:
            stream.ReadUInt16();
            break;
        case 7: {
            uint8_t bytes[300];
            stream.ReadBytes(bytes, stream.ReadUInt8() + 40);
            break;
        }
        case 8:
            stream.MoveTo(stream.ReadUInt16() % (size + 8));
            break;
        case 9:
            stream.Seek(int32_t(stream.ReadUInt32()) % 5000, stream.ReadUInt8() % 3);
            break;
        default:
            stream.ReadFloat();
            break;
        }
        int32_t error = stream.GetError();
        Check(error == TStream::ErrorNone || error == TStream::ErrorShortRead || error == TStream::ErrorOutOfMemory);
        Check(stream.Tell() >= 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    uint8_t recipe = data[0];
    TBuffer buffer;
    buffer.WriteBytes(data + 1, int64_t(size - 1));
    buffer.Rewind();
    int64_t length = int64_t(size - 1);
    ReadSequence(buffer, recipe, length);

    // The same bytes through a window over the middle of the buffer.
    int64_t start = length / 4;
    int64_t end = length - length / 4;
    buffer.MoveTo(start);
    TSubFile window(buffer, start, end);
    ReadSequence(window, uint8_t(recipe ^ 0x5A), end - start);
    Check(window.Tell() <= end - start);
    return 0;
}
