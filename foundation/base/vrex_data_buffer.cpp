// VrexDataBufferFile: the file-backed byte store over a stdio FILE.
#include "foundation/base/vrex_data_buffer.h"

#include <iostream>
#include <unistd.h>

#include "foundation/base/code_page.h"

namespace {

std::string NativePath(std::u16string path)
{
    for (char16_t& c : path)
        if (c == u'\\')
            c = u'/';
    std::string out;
    // An unpaired surrogate cannot name a file here: the open then fails.
    if (!Utf16ToCodePage(path, CP_UTF8, out))
        return std::string();
    return out;
}

std::FILE* Open(const std::string& path, const char* mode)
{
    if (path.empty())
        return nullptr;
    // "e": close-on-exec, so a launched process never inherits the file.
    std::string withCloseOnExec = std::string(mode) + "e";
    return std::fopen(path.c_str(), withCloseOnExec.c_str());
}

}  // namespace

VrexDataBufferFile::VrexDataBufferFile(std::int32_t mode, std::u16string path) : mode_(mode), path_(std::move(path))
{
    nativePath_ = NativePath(path_);
    switch (mode) {
    case ReadOnly:
        file_ = Open(nativePath_, "rb");
        break;
    case WriteTruncate:
        file_ = Open(nativePath_, "wb");
        break;
    case WriteAppendable:
        file_ = Open(nativePath_, "r+b");
        if (file_ == nullptr)
            file_ = Open(nativePath_, "wb");
        break;
    case ReadWrite:
        file_ = Open(nativePath_, "r+b");
        break;
    default:
        std::cout << "VrexDataBufferFile> unknown access mode " << mode << std::endl;
        return;
    }
    if (file_ != nullptr && mode != WriteTruncate) {
        if (fseeko(file_, 0, SEEK_END) == 0) {
            off_t end = ftello(file_);
            size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
        }
        fseeko(file_, 0, SEEK_SET);
        lastAccessWasRead_ = true;
    }
}

VrexDataBufferFile::~VrexDataBufferFile()
{
    if (file_ != nullptr)
        std::fclose(file_);
}

void VrexDataBufferFile::ReopenAtPosition()
{
    std::fclose(file_);
    file_ = Open(nativePath_, "r+b");
    if (file_ != nullptr)
        fseeko(file_, static_cast<off_t>(position_), SEEK_SET);
}

int VrexDataBufferFile::Write(const void* data, std::uint64_t length)
{
    if (file_ == nullptr)
        return VrexNotOpen;
    if (mode_ == ReadOnly)
        return VrexNotAllowed;
    if (length == 0)
        return VrexOk;
    if (lastAccessWasRead_) {
        if (mode_ == ReadWrite) {
            ReopenAtPosition();
            if (file_ == nullptr)
                return VrexNotOpen;
        }
        lastAccessWasRead_ = false;
    }
    std::size_t written = std::fwrite(data, 1, static_cast<std::size_t>(length), file_);
    position_ += written;
    if (position_ > size_)
        size_ = position_;
    return written < length ? VrexFailed : VrexOk;
}

int VrexDataBufferFile::Read(void* buffer, std::uint64_t length)
{
    if (file_ == nullptr)
        return VrexNotOpen;
    if (mode_ == WriteTruncate || mode_ == WriteAppendable)
        return VrexNotAllowed;
    if (length == 0)
        return VrexOk;
    if (!lastAccessWasRead_) {
        if (mode_ == ReadWrite) {
            ReopenAtPosition();
            if (file_ == nullptr)
                return VrexNotOpen;
        }
        lastAccessWasRead_ = true;
    }
    std::size_t read = std::fread(buffer, 1, static_cast<std::size_t>(length), file_);
    position_ += read;
    return read < length ? VrexFailed : VrexOk;
}

int VrexDataBufferFile::Seek(std::uint64_t position)
{
    if (file_ == nullptr)
        return VrexNotOpen;
    if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0)
        return VrexFailed;
    position_ = position;
    return VrexOk;
}

int VrexDataBufferFile::SetSize(std::uint64_t size)
{
    if (file_ == nullptr)
        return VrexNotOpen;
    // Buffered bytes must reach the file before its length changes, or a
    // later flush would write them back past the new end.
    std::fflush(file_);
    if (ftruncate(fileno(file_), static_cast<off_t>(size)) != 0)
        return VrexFailed;
    std::uint64_t position = position_ < size ? position_ : size;
    if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) == 0)
        position_ = position;
    size_ = size;
    return VrexOk;
}

void VrexDataBufferFile::Flush()
{
    if (file_ == nullptr)
        return;
    std::fflush(file_);
    fsync(fileno(file_));
}
