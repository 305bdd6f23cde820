// The LZSS encoder's buffered byte writer.
#include "soup/lzss_streams.h"

#include <cstring>

namespace Zel {
namespace {
constexpr size_t kWriterBuffer = 0x10000;
}

LZSSByteWriter::LZSSByteWriter(IOSlave& sink) : sink_(sink), buffer_(kWriterBuffer) {}

void LZSSByteWriter::Write(const uint8_t* bytes, size_t count)
{
    while (count > 0) {
        if (length_ == buffer_.size())
            Flush();
        size_t take = buffer_.size() - length_;
        if (take > count)
            take = count;
        memcpy(buffer_.data() + length_, bytes, take);
        length_ += take;
        bytes += take;
        count -= take;
    }
}

bool LZSSByteWriter::Flush()
{
    if (length_ > 0 && !failed_ && sink_.Write(buffer_.data(), length_) != length_)
        failed_ = true;
    length_ = 0;
    return !failed_;
}

}  // namespace Zel
