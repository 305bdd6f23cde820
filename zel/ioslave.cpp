// Memory and file byte slaves, and the buffered cursors over them.
#include "zel/ioslave.h"

#include <cstring>

#include "zel/byte_window.h"
#include "zel/file.h"

namespace Zel {

MemoryIOSlave::MemoryIOSlave(void* block, size_t capacity, size_t length)
    : block_(static_cast<uint8_t*>(block)),
      readBlock_(static_cast<const uint8_t*>(block)),
      capacity_(block ? capacity : 0),
      length_(length > capacity_ ? capacity_ : length)
{}

MemoryIOSlave::MemoryIOSlave(const void* block, size_t length)
    : block_(nullptr), readBlock_(static_cast<const uint8_t*>(block)), capacity_(0), length_(block ? length : 0)
{}

size_t MemoryIOSlave::Read(void* buffer, size_t count)
{
    return CopyFromWindow(buffer, readBlock_, length_, position_, count);
}

size_t MemoryIOSlave::Write(const void* data, size_t count)
{
    if (!block_ || !data || position_ >= capacity_)
        return 0;
    size_t room = capacity_ - position_;
    if (count > room)
        count = room;
    memcpy(block_ + position_, data, count);
    position_ += count;
    if (position_ > length_)
        length_ = position_;
    return count;
}

bool MemoryIOSlave::Seek(int64_t position)
{
    size_t limit = block_ ? capacity_ : length_;
    if (position < 0 || static_cast<uint64_t>(position) > limit)
        return false;
    position_ = static_cast<size_t>(position);
    return true;
}

size_t FileIOSlave::Read(void* buffer, size_t count)
{
    int64_t got = file_ ? file_->Read(buffer, static_cast<int64_t>(count)) : 0;
    return got > 0 ? static_cast<size_t>(got) : 0;
}

size_t FileIOSlave::Write(const void* data, size_t count)
{
    int64_t put = file_ ? file_->Write(data, static_cast<int64_t>(count)) : 0;
    return put > 0 ? static_cast<size_t>(put) : 0;
}

int64_t FileIOSlave::Tell() const
{
    return file_ ? file_->Tell() : -1;
}

bool FileIOSlave::Seek(int64_t position)
{
    return file_ && position >= 0 && file_->Seek(position, File::SeekSet) == position;
}

IOReadCursor::IOReadCursor(IOSlave& slave, size_t limit, size_t bufferSize)
    : slave_(slave), left_(limit), buffer_(bufferSize ? bufferSize : 1)
{}

bool IOReadCursor::Fill()
{
    if (left_ == 0)
        return false;
    size_t want = left_ < buffer_.size() ? left_ : buffer_.size();
    size_t got = slave_.Read(buffer_.data(), want);
    if (got == 0) {
        left_ = 0;
        return false;
    }
    left_ -= got;
    consumed_ += got;
    pos_ = 0;
    end_ = got;
    return true;
}

int IOReadCursor::Refill()
{
    if (!Fill())
        return -1;
    return buffer_[pos_++];
}

size_t IOReadCursor::Read(void* destination, size_t count)
{
    if (!destination)
        return 0;
    uint8_t* out = static_cast<uint8_t*>(destination);
    size_t done = 0;
    while (done < count) {
        if (pos_ == end_ && !Fill())
            break;
        size_t take = end_ - pos_;
        if (take > count - done)
            take = count - done;
        memcpy(out + done, buffer_.data() + pos_, take);
        pos_ += take;
        done += take;
    }
    return done;
}

IOWriteCursor::IOWriteCursor(IOSlave& slave, size_t bufferSize) : slave_(slave), buffer_(bufferSize ? bufferSize : 1) {}

bool IOWriteCursor::Flush()
{
    if (pos_ == 0)
        return !failed_;
    size_t put = failed_ ? 0 : slave_.Write(buffer_.data(), pos_);
    written_ += put;
    if (put != pos_)
        failed_ = true;
    pos_ = 0;
    return !failed_;
}

bool IOWriteCursor::Write(const void* data, size_t count)
{
    const uint8_t* in = static_cast<const uint8_t*>(data);
    for (size_t done = 0; done < count;) {
        if (pos_ == buffer_.size() && !Flush())
            return false;
        size_t take = buffer_.size() - pos_;
        if (take > count - done)
            take = count - done;
        memcpy(buffer_.data() + pos_, in + done, take);
        pos_ += take;
        done += take;
    }
    return !failed_;
}

}  // namespace Zel
