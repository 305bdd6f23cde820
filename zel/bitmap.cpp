// Zel::Bitmap: reading an image file and choosing its reader.
#include "zel/bitmap.h"

#include <cstring>
#include <string>

#include "zel/ascii.h"
#include "zel/file.h"

namespace Zel {

void Bitmap::Clear()
{
    width_ = 0;
    height_ = 0;
    format_ = FormatNone;
    pixels_.clear();
    pixels_.shrink_to_fit();
}

bool Bitmap::Allocate(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide || width * height > MaxPixels)
        return false;
    width_ = int32_t(width);
    height_ = int32_t(height);
    format_ = FormatAlpha32;
    pixels_.assign(size_t(width * height) * 4, 0);
    return true;
}

bool Bitmap::Init(int64_t width, int64_t height, Format format, int64_t byteSize)
{
    Clear();
    if (format == FormatCompressed) {
        if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide || byteSize < 0 ||
            byteSize > MaxPixels * 4)
            return false;
        width_ = int32_t(width);
        height_ = int32_t(height);
        format_ = format;
        pixels_.assign(size_t(byteSize), 0);
        return true;
    }
    if (byteSize != width * height * 4 || !Allocate(width, height))
        return false;
    format_ = format;
    return true;
}

bool Bitmap::Load(const char* path)
{
    Clear();
    File file;
    if (path == nullptr || file.Open(path, File::ModeReadPath) != 0)
        return false;
    const int64_t size = file.Size();
    // A compressed image is never larger than its pixels plus headers.
    if (size <= 0 || size > MaxPixels * 4 + (int64_t(1) << 20))
        return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (file.Read(bytes.data(), size) != size)
        return false;
    const std::string extension = AsciiLowerCopy(File::Path(path).GetExt());
    return LoadFromMemory(bytes.data(), bytes.size(), extension.c_str());
}

bool Bitmap::LoadFromMemory(const uint8_t* bytes, size_t size, const char* extensionHint)
{
    Clear();
    bool loaded = false;
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        loaded = DecodeBmp(bytes, size);
    else if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8)
        loaded = DecodeJpeg(bytes, size);
    else if (size >= 8 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G')
        loaded = DecodePng(bytes, size);
    else if (extensionHint && AsciiEqualIgnoreCase(extensionHint, "tga"))
        loaded = DecodeTga(bytes, size);
    if (!loaded)
        Clear();
    return loaded;
}

}  // namespace Zel
