// TStream: length-prefixed strings, 0xfeedceeb blocks and words patched in place.
#include "foundation/streams/t_stream.h"

#include <memory>

namespace {

// Texts up to this size are read on the stack.
constexpr uint32_t StackTextSize = 510;

}  // namespace

void TStream::WritePString(const Zel::PString& string)
{
    if (string.IsNull() || string.Length() + 1 > 0xFFFF) {
        WriteUInt32(0);
        return;
    }
    uint32_t count = uint32_t(string.Length() + 1);
    WriteUInt32(count);
    Write(string.c_str(), count);
}

void TStream::WriteString(const Zel::AnsiString& string)
{
    if (string.Size() >= StringLimit) {
        WriteUInt32(0);
        return;
    }
    WriteUInt32(uint32_t(string.Size()));
    Write(string.c_str(), int64_t(string.Size()));
}

void TStream::SkipBytes(uint32_t count)
{
    MoveTo(Tell() + count);
}

bool TStream::ReadCountedText(Zel::AnsiString& text)
{
    // A short count reads as 0 and records ErrorShortRead.
    uint32_t count = ReadUInt32(0);
    if (count == 0)
        return false;
    if (count >= StringLimit) {
        SkipBytes(count);
        SetError(ErrorOutOfMemory);
        return false;
    }
    char stackBuffer[StackTextSize + 1];
    std::unique_ptr<char[]> heapBuffer;
    char* buffer = stackBuffer;
    if (count > StackTextSize) {
        heapBuffer.reset(new char[count + 1]);
        buffer = heapBuffer.get();
    }
    if (Read(buffer, count) != int64_t(count)) {
        SetError(ErrorShortRead);
        return false;
    }
    buffer[count] = '\0';
    text.Set(buffer);
    return true;
}

Zel::PString TStream::ReadPString()
{
    Zel::AnsiString text;
    if (!ReadCountedText(text))
        return Zel::PString();
    return Zel::PString(text.c_str());
}

Zel::String TStream::ReadString()
{
    Zel::String text;
    ReadCountedText(text);
    return text;
}

void TStream::EndBlockAnywhere(int64_t start)
{
    const int64_t end = Tell();
    const uint32_t length = uint32_t(end - start - 4);
    if (end - start >= 4 && OverwriteHeld(start, length))
        return;
    MoveTo(start);
    WriteUInt32(length);
    MoveTo(end);
}

void TStream::WriteUInt32At(int64_t position, uint32_t value)
{
    int64_t back = Tell();
    MoveTo(position);
    WriteUInt32(value);
    MoveTo(back);
}
