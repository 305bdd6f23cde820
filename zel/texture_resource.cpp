// Zel::TextureResource settings, mip bookkeeping and the ".texture" body writer.
#include "zel/texture_resource.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "zel/ascii.h"
#include "zel/config_data.h"
#include "zel/file.h"
#include "zel/texture_file.h"

namespace Zel {

void TextureResource::GetSize(uint32_t& width, uint32_t& height) const
{
    width = width_;
    height = height_;
}

uint32_t TextureResource::MipLevelsFor(uint32_t width, uint32_t height)
{
    uint32_t side = width > height ? width : height;
    uint32_t levels = 0;
    while (side > 0) {
        ++levels;
        side >>= 1;
    }
    return levels;
}

uint32_t TextureResource::GetNumMipLevels() const
{
    uint32_t width = 0;
    uint32_t height = 0;
    GetSize(width, height);
    return MipLevelsFor(width, height);
}

bool TextureResource::GetMipLock()
{
    return IsLocked();
}

std::unique_ptr<Bitmap> TextureResource::GetMip(uint32_t /*level*/, uint32_t /*slice*/)
{
    return nullptr;
}

bool TextureResource::GetMipUnlock()
{
    return true;
}

namespace {

bool ParseAlphaHint(const std::string& value, int8_t& out)
{
    static const std::pair<const char*, int8_t> names[] = {{"none", 0},  {"opaque", 0}, {"0", 0},    {"full", 1},
                                                           {"alpha", 1}, {"1", 1},      {"mask", 2}, {"masked", 2},
                                                           {"2", 2},     {"auto", -1}};
    for (const auto& [name, hint] : names) {
        if (AsciiEqualIgnoreCase(value, name)) {
            out = hint;
            return true;
        }
    }
    return false;
}

bool ParseTile(const std::string& value, int8_t& wrapS, int8_t& wrapT)
{
    std::string tile = AsciiLowerCopy(value);
    if (tile == "none" || tile.empty() || tile == "st" || tile == "ts" || tile == "s" || tile == "t") {
        wrapS = tile.find('s') != std::string::npos && tile != "none" ? TextureRepeat : TextureClamp;
        wrapT = tile.find('t') != std::string::npos && tile != "none" ? TextureRepeat : TextureClamp;
        return true;
    }
    return false;
}

// "Hint" is a comma-separated list of words: "normalmap", "modifymap" and
// the texture's own storage choice "uncompressed", "dxt1", "dxt3", "dxt5".
bool ParseHint(const std::string& value, int8_t& normalMap, int8_t& modifyMap, int8_t& compression)
{
    size_t start = 0;
    while (start <= value.size()) {
        size_t end = value.find(',', start);
        if (end == std::string::npos)
            end = value.size();
        std::string word = AsciiLowerCopy(AsciiTrimCopy(value.substr(start, end - start)));
        if (word == "normalmap")
            normalMap = 1;
        else if (word == "modifymap")
            modifyMap = 1;
        else if (word == "uncompressed")
            compression = 0;
        else if (word == "dxt1")
            compression = 1;
        else if (word == "dxt3")
            compression = 2;
        else if (word == "dxt5")
            compression = 3;
        else if (!word.empty() && word != "none")
            return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

bool TextureResource::LoadTextureOptions(const ConfigData& options)
{
    for (const ConfigData::Entry& entry : options.Entries()) {
        const std::string& key = entry.key;
        const std::string value = AsciiTrimCopy(entry.value);
        bool ok = true;
        if (AsciiEqualIgnoreCase(key, "Hint"))
            ok = ParseHint(value, normalMap_, modifyMap_, compression_);
        else if (AsciiEqualIgnoreCase(key, "AlphaHint"))
            ok = ParseAlphaHint(value, alphaHint_);
        else if (AsciiEqualIgnoreCase(key, "Tile"))
            ok = ParseTile(value, wrapS_, wrapT_);
        else if (AsciiEqualIgnoreCase(key, "MipFilter"))
            // "none" stores a single level; any other filter a full chain.
            useMipMaps_ = !AsciiEqualIgnoreCase(value, "none");
        else if (AsciiEqualIgnoreCase(key, "Anisotropy"))
            anisotropy_ = std::atoi(value.c_str());
        // "AutoMip", "MagFilter" and "MinFilter" choose how a display samples
        // the texture; nothing here depends on them.
        if (!ok)
            return false;
    }
    return true;
}

bool TextureResource::SaveLockedInternal(File& file)
{
    uint32_t width = 0;
    uint32_t height = 0;
    GetSize(width, height);
    const uint32_t format = GetOutputFormat();
    uint32_t flags = 0;
    if (GetOutputAlpha())
        flags |= TextureFlagAlpha;
    if (wrapS_ == TextureRepeat)
        flags |= TextureFlagWrapS;
    if (wrapT_ == TextureRepeat)
        flags |= TextureFlagWrapT;
    if (normalMap_ != 0)
        flags |= TextureFlagNormalMap;

    // Every slice stores the same number of levels: as many as the first
    // slice has, never more than the size allows.
    std::vector<std::vector<std::unique_ptr<Bitmap>>> slices(depth_);
    uint32_t levels = GetNumMipLevels();
    for (uint32_t slice = 0; slice < depth_; ++slice) {
        for (uint32_t level = 0; level < levels; ++level) {
            std::unique_ptr<Bitmap> mip = GetMip(level, slice);
            if (!mip)
                break;
            slices[slice].push_back(std::move(mip));
        }
        if (slice == 0)
            levels = uint32_t(slices[0].size());
        else if (slices[slice].size() != levels)
            return false;
    }
    if (depth_ > 0 && levels == 0)
        return false;

    std::vector<uint8_t> body;
    TextureBodyHeader header{TextureBodyVersion, width, height, depth_, format, flags, levels};
    AppendTextureBodyHeader(body, header);
    for (const auto& slice : slices) {
        for (const auto& mip : slice)
            AppendTextureMip(body, uint32_t(mip->Width()), uint32_t(mip->Height()), mip->Pixels());
    }
    return file.Write(body.data(), int64_t(body.size())) == int64_t(body.size());
}

}  // namespace Zel
