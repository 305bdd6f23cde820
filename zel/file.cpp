// Zel::File instance I/O: open modes, buffered line reading, end-of-file detection.
#include "zel/file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "zel/file_resolution.h"
#include "platform/file_io.h"

namespace Zel {
namespace {

constexpr int kReadBufferSize = 4096;

bool Writes(int mode)
{
    return (mode & 0x01) != 0;
}

bool Reads(int mode)
{
    return (mode & 0x30) != 0 || !Writes(mode);
}

}  // namespace

File::File() = default;

File::~File()
{
    Close();
    delete[] buffer_;
}

int File::Open(const char* path, int mode, int share)
{
    return Open(nullptr, path, mode, share);
}

int File::Open(const char* container, const char* path, int mode, int /*share*/)
{
    Close();
    std::string resolved;
    if (!path || !*path)
        return ENOENT;
    if (!FileResolution::ResolveFull(container, path, resolved, Writes(mode)))
        return ENOENT;
    int flags = O_CLOEXEC;
    if (Writes(mode)) {
        flags |= (Reads(mode) ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    } else {
        flags |= O_RDONLY;
    }
    int fd = open(resolved.c_str(), flags, 0666);
    if (fd < 0)
        return errno ? errno : EIO;
    struct stat info;
    // A folder opens read-only on Linux; the engine's callers expect a failure.
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        return EISDIR;
    }
    if (Writes(mode))
        FileResolution::InvalidateFolder(FileResolution::ParentOf(resolved));
    fd_ = fd;
    mode_ = mode;
    name_ = path;
    resolved_ = resolved;
    return 0;
}

void File::Close()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    mode_ = 0;
    bufferLength_ = 0;
    bufferPos_ = 0;
}

bool File::FillBuffer()
{
    if (fd_ < 0 || !Reads(mode_))
        return false;
    if (!buffer_)
        buffer_ = new char[kReadBufferSize];
    bufferPos_ = 0;
    bufferLength_ = 0;
    ssize_t got = Platform::ReadSome(fd_, buffer_, kReadBufferSize);
    if (got <= 0)
        return false;
    bufferLength_ = static_cast<int>(got);
    return true;
}

void File::DropReadBuffer()
{
    int unread = bufferLength_ - bufferPos_;
    if (unread > 0 && fd_ >= 0)
        lseek(fd_, -static_cast<off_t>(unread), SEEK_CUR);
    bufferLength_ = 0;
    bufferPos_ = 0;
}

int64_t File::Read(void* buffer, int64_t count)
{
    if (fd_ < 0 || count <= 0 || !buffer)
        return 0;
    char* out = static_cast<char*>(buffer);
    int64_t done = 0;
    int unread = bufferLength_ - bufferPos_;
    if (unread > 0) {
        int64_t take = count < unread ? count : unread;
        memcpy(out, buffer_ + bufferPos_, static_cast<size_t>(take));
        bufferPos_ += static_cast<int>(take);
        done = take;
    }
    return done + static_cast<int64_t>(Platform::ReadUpTo(fd_, out + done, static_cast<size_t>(count - done)));
}

int64_t File::Write(const void* data, int64_t count)
{
    if (fd_ < 0 || count <= 0 || !data || !Writes(mode_))
        return 0;
    DropReadBuffer();
    const char* in = static_cast<const char*>(data);
    return static_cast<int64_t>(Platform::WriteUpTo(fd_, in, static_cast<size_t>(count)));
}

int64_t File::Write(const void* data, size_t elementSize, size_t count)
{
    if (elementSize == 0 || count == 0)
        return 0;
    if (count > static_cast<size_t>(INT64_MAX) / elementSize)
        return 0;
    int64_t bytes = Write(data, static_cast<int64_t>(elementSize * count));
    return bytes / static_cast<int64_t>(elementSize);
}

bool File::Write(uint32_t value)
{
    uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return Write(bytes, int64_t{4}) == 4;
}

bool File::Write(float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof(bits));
    return Write(bits);
}

int64_t File::Seek(int64_t offset, int origin)
{
    if (fd_ < 0)
        return -1;
    int whence = origin == SeekCur ? SEEK_CUR : (origin == SeekEnd ? SEEK_END : SEEK_SET);
    if (origin == SeekCur)
        offset -= bufferLength_ - bufferPos_;
    bufferLength_ = 0;
    bufferPos_ = 0;
    off_t position = lseek(fd_, static_cast<off_t>(offset), whence);
    return position < 0 ? -1 : static_cast<int64_t>(position);
}

int64_t File::Tell() const
{
    if (fd_ < 0)
        return -1;
    off_t position = lseek(fd_, 0, SEEK_CUR);
    if (position < 0)
        return -1;
    return static_cast<int64_t>(position) - (bufferLength_ - bufferPos_);
}

int64_t File::Size() const
{
    if (fd_ < 0)
        return -1;
    struct stat info;
    if (fstat(fd_, &info) != 0)
        return -1;
    return static_cast<int64_t>(info.st_size);
}

bool File::Eof()
{
    if (fd_ < 0)
        return true;
    if (bufferPos_ < bufferLength_)
        return false;
    if (!Reads(mode_))
        return Tell() >= Size();
    return !FillBuffer();
}

int File::ReadLine(char* buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    int stored = 0;
    while (stored < size - 1) {
        if (bufferPos_ >= bufferLength_ && !FillBuffer())
            break;
        char c = buffer_[bufferPos_++];
        buffer[stored++] = c;
        if (c == '\n')
            break;
    }
    buffer[stored] = '\0';
    return stored;
}

bool File::WriteLine(const char* text)
{
    size_t length = text ? strlen(text) : 0;
    if (length && Write(text, static_cast<int64_t>(length)) != static_cast<int64_t>(length))
        return false;
    return Write("\n", int64_t{1}) == 1;
}

bool File::Flush()
{
    return fd_ >= 0 && fsync(fd_) == 0;
}

}  // namespace Zel
