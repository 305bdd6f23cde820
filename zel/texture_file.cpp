// The ".texture" body layout, its format names and the checked reader.
#include "zel/texture_file.h"

#include <cerrno>
#include <cstring>

#include "zel/file.h"
#include "zel/jirf.h"
#include "zel/texture_resource.h"

namespace Zel {

namespace {

void Append32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(value >> shift));
}

class Cursor {
public:
    Cursor(const std::vector<uint8_t>& bytes, size_t position) : bytes_(bytes), position_(position) {}

    bool Read32(uint32_t& value)
    {
        if (bytes_.size() - position_ < 4)
            return false;
        value = 0;
        for (int i = 0; i < 4; ++i)
            value |= uint32_t(bytes_[position_ + i]) << (8 * i);
        position_ += 4;
        return true;
    }
    size_t Left() const { return bytes_.size() - position_; }
    size_t Position() const { return position_; }
    void Take(size_t count, std::vector<uint8_t>& out)
    {
        out.assign(bytes_.begin() + std::ptrdiff_t(position_), bytes_.begin() + std::ptrdiff_t(position_ + count));
        position_ += count;
    }

private:
    const std::vector<uint8_t>& bytes_;
    size_t position_;
};

}  // namespace

void AppendTextureBodyHeader(std::vector<uint8_t>& out, const TextureBodyHeader& header)
{
    for (uint32_t value :
         {header.version, header.width, header.height, header.depth, header.format, header.flags, header.mipCount})
        Append32(out, value);
}

void AppendTextureMip(std::vector<uint8_t>& out, uint32_t width, uint32_t height, const std::vector<uint8_t>& bytes)
{
    Append32(out, width);
    Append32(out, height);
    Append32(out, uint32_t(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

const char* TextureFormatName(uint32_t format, bool alpha)
{
    switch (format) {
    case TextureAlpha32:
        return "uncompressed ARGB";
    case TextureOpaque32:
        return "uncompressed XRGB";
    case TextureDXT1:
        return alpha ? "DXT1a" : "DXT1";
    case TextureDXT3:
        return "DXT3";
    case TextureDXT5:
        return "DXT5";
    default:
        return "unknown";
    }
}

uint64_t TextureLevelBytes(uint32_t format, uint32_t width, uint32_t height)
{
    uint64_t blocks = uint64_t((width + 3) / 4) * uint64_t((height + 3) / 4);
    switch (format) {
    case TextureAlpha32:
    case TextureOpaque32:
        return uint64_t(width) * uint64_t(height) * 4;
    case TextureDXT1:
        return blocks * 8;
    case TextureDXT3:
    case TextureDXT5:
        return blocks * 16;
    default:
        return 0;
    }
}

bool ParseTextureFile(const std::vector<uint8_t>& bytes, TextureFileContents& out, std::string& error)
{
    out = TextureFileContents();
    size_t position = 0;
    JIRFHeader container;
    if (!JIRFReadHeader(bytes.data(), bytes.size(), position, container)) {
        error = "not a JIRF file";
        return false;
    }
    out.magic = "JIRF";
    out.fileType.assign(reinterpret_cast<const char*>(bytes.data() + 8), 4);
    out.size = uint32_t(container.contentEnd - 8);
    if (container.contentEnd != int64_t(bytes.size())) {
        error = "the content size does not match the file";
        return false;
    }
    if (container.type != JIRFTag("MMTF")) {
        error = "not a texture (file type '" + out.fileType + "')";
        return false;
    }
    Cursor cursor(bytes, position);
    TextureBodyHeader& header = out.header;
    for (uint32_t* field : {&header.version, &header.width, &header.height, &header.depth, &header.format,
                            &header.flags, &header.mipCount}) {
        if (!cursor.Read32(*field)) {
            error = "the texture header is cut short";
            return false;
        }
    }
    if (header.version != TextureBodyVersion) {
        error = "unknown texture body version " + std::to_string(header.version);
        return false;
    }
    if (TextureLevelBytes(header.format, 4, 4) == 0) {
        error = "unknown texture format " + std::to_string(header.format);
        return false;
    }
    out.alpha = (header.flags & TextureFlagAlpha) != 0;
    // Each level takes at least its 12-byte header: a count the bytes cannot
    // hold is refused before anything is reserved.
    uint64_t levels = uint64_t(header.depth) * header.mipCount;
    if (levels > cursor.Left() / 12) {
        error = "the mip count does not fit the file";
        return false;
    }
    for (uint64_t i = 0; i < levels; ++i) {
        TextureFileMip mip;
        uint32_t size = 0;
        if (!cursor.Read32(mip.width) || !cursor.Read32(mip.height) || !cursor.Read32(size) || size > cursor.Left()) {
            error = "mip " + std::to_string(i) + " is cut short";
            return false;
        }
        if (size != TextureLevelBytes(header.format, mip.width, mip.height)) {
            error = "mip " + std::to_string(i) + " has " + std::to_string(size) + " bytes for its size";
            return false;
        }
        cursor.Take(size, mip.bytes);
        out.mips.push_back(std::move(mip));
    }
    if (cursor.Left() != 0) {
        error = "bytes after the last mip";
        return false;
    }
    return true;
}

bool ReadTextureFile(const char* path, TextureFileContents& out, std::string& error)
{
    File file;
    if (path == nullptr || file.Open(path, File::ModeRead) != 0) {
        error = std::string("cannot open '") + (path ? path : "") + "'";
        return false;
    }
    int64_t size = file.Size();
    std::vector<uint8_t> bytes(size > 0 ? size_t(size) : 0);
    if (size < 0 || (size > 0 && file.Read(bytes.data(), size) != size)) {
        error = "cannot read the file";
        return false;
    }
    return ParseTextureFile(bytes, out, error);
}

}  // namespace Zel

namespace Zel {

bool WriteTextureFile(TextureResource& texture, const char* container, const char* path, std::string* error)
{
    const bool named = container != nullptr && *container != '\0';
    const std::string part = std::string(path) + ".part";
    auto unlink = [&](const char* name) { return named ? File::Unlink(container, name) : File::Unlink(name); };
    auto fail = [&](const char* what, int code) {
        if (error)
            *error = std::string("Unable to ") + what + " '" + path + "': " + std::strerror(code);
        return false;
    };
    unlink(part.c_str());
    File file;
    int opened = named ? file.Open(container, part.c_str(), File::ModeWrite) : file.Open(part.c_str(), File::ModeWrite);
    if (opened != 0)
        return fail("create", opened);
    errno = 0;
    int64_t mark = JIRFWriteHeader(file, JIRFTag("MMTF"));
    bool written = mark >= 0 && texture.SaveLockedInternal(file) && JIRFPatchSize(file, mark) && file.Flush();
    int writeError = errno != 0 ? errno : EIO;
    file.Close();
    if (!written) {
        unlink(part.c_str());
        return fail("write", writeError);
    }
    unlink(path);
    int renamed = named ? File::Rename(container, part.c_str(), path) : File::Rename(part.c_str(), path);
    if (renamed != 0) {
        unlink(part.c_str());
        return fail("rename the new texture to", renamed);
    }
    return true;
}

}  // namespace Zel
