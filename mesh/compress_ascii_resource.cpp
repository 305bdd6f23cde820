// CompressAsciiResource: option handling, the storage-format choice, the size limit and the compressed mip chain.
#include "mesh/compress_ascii_resource.h"

#include <cstdlib>
#include <mutex>
#include <string>

#include "zel/ascii.h"
#include "zel/config_data.h"
#include "zel/resource_database.h"
#include "zel/texture_file.h"

namespace {

Zel::Resource* MakeCompressAsciiResource(const char* name, Zel::ResourceDatabase* database)
{
    return new CompressAsciiResource(name, database);
}

constexpr const char* CopiedKeys[] = {"Hint",      "AlphaHint", "Anisotropy", "AutoMip",
                                      "MagFilter", "MinFilter", "MipFilter",  "Tile"};

struct Choice {
    uint32_t format;
    bool alpha;
};

// "Compression" gives a choice per alpha class: no alpha, one-bit, full.
void ParseCompression(const Zel::Options& options, Choice choices[3])
{
    for (int i = 0; i < 3; ++i)
        choices[i] = {Zel::TextureAlpha32, true};
    size_t cursor = 0;
    std::string word;
    for (int position = 0; position < 3 && options.GetNext("Compression", cursor, word); ++position) {
        word = Zel::AsciiLowerCopy(word);
        if (word == "auto") {
            if (position == 0) {
                choices[0] = {Zel::TextureDXT1, false};
                choices[1] = {Zel::TextureDXT1, true};
                choices[2] = {Zel::TextureDXT5, true};
                return;
            }
        } else if (word == "dxt1") {
            choices[position] = {Zel::TextureDXT1, false};
        } else if (word == "dxt1a") {
            choices[position] = {Zel::TextureDXT1, true};
        } else if (word == "dxt3") {
            choices[position] = {Zel::TextureDXT3, true};
        } else if (word == "dxt5") {
            choices[position] = {Zel::TextureDXT5, true};
        } else if (word == "none") {
            choices[position] = {Zel::TextureAlpha32, true};
        }
    }
}

}  // namespace

void CompressAsciiResource::RegisterType()
{
    static std::once_flag once;
    std::call_once(once, [] { Zel::RegisterResourceType(TypeName, MakeCompressAsciiResource); });
}

CompressAsciiResource::CompressAsciiResource(const char* name, Zel::ResourceDatabase* database)
    : AsciiTextureResource(name, database)
{}

CompressAsciiResource::~CompressAsciiResource() = default;

int CompressAsciiResource::LoadTxt(const char* text)
{
    if (options_ == nullptr)
        return 1;
    forceOptions_ = options_->Has("forceOptions");
    size_t cursor = 0;
    std::string item;
    if (options_->GetNext("MaxTextureSize", cursor, item))
        maxWidth_ = uint32_t(std::strtoul(item.c_str(), nullptr, 10));
    if (options_->GetNext("MaxTextureSize", cursor, item))
        maxHeight_ = uint32_t(std::strtoul(item.c_str(), nullptr, 10));
    if (forceOptions_ && AsciiTextureResource::LoadTxt(text) != 0)
        return 1;
    Zel::ConfigData copied;
    for (const char* key : CopiedKeys) {
        if (options_->Has(key))
            copied.Add(key, options_->Get(key));
    }
    if (!LoadTextureOptions(copied))
        return 1;
    // Without forceOptions the description's own settings win.
    if (!forceOptions_ && AsciiTextureResource::LoadTxt(text) != 0)
        return 1;
    return 0;
}

void CompressAsciiResource::GetSize(uint32_t& width, uint32_t& height) const
{
    AsciiTextureResource::GetSize(width, height);
    if (maxWidth_ != 0xFFFFFFFFu && width > maxWidth_) {
        height = std::max<uint32_t>(1, uint32_t(double(height) / double(width) * double(maxWidth_)));
        width = maxWidth_;
    }
    if (maxHeight_ != 0xFFFFFFFFu && height > maxHeight_) {
        width = std::max<uint32_t>(1, uint32_t(double(width) / double(height) * double(maxHeight_)));
        height = maxHeight_;
    }
}

uint32_t CompressAsciiResource::GetNumMipLevels() const
{
    uint32_t width = 0;
    uint32_t height = 0;
    GetSize(width, height);
    uint32_t clamped = MipLevelsFor(width, height);
    uint32_t own = AsciiTextureResource::GetNumMipLevels();
    return clamped < own ? clamped : own;
}

bool CompressAsciiResource::GetOutputAlpha()
{
    uint32_t format = GetCompressionFormat();
    return format == Zel::TextureDXT1 ? alphaFlag_ : format != Zel::TextureOpaque32;
}

uint32_t CompressAsciiResource::GetCompressionFormat()
{
    alphaFlag_ = true;
    Choice option{Zel::TextureAlpha32, false};
    if (options_ == nullptr || alphaHint_ == -1)
        return Zel::TextureAlpha32;
    uint32_t result = option.format;
    if (options_->Has("Compression")) {
        // A normal map keeps no one-bit alpha: it is compressed as full alpha.
        if (normalMap_ != 0 && alphaHint_ == 2)
            alphaHint_ = 1;
        Choice choices[3];
        ParseCompression(*options_, choices);
        if (alphaHint_ == 0)
            option = choices[0];
        else if (alphaHint_ == 2)
            option = choices[1];
        else if (alphaHint_ == 1)
            option = choices[2];
        result = option.format;
        alphaFlag_ = option.alpha;
    }
    uint32_t width = 0;
    uint32_t height = 0;
    GetSize(width, height);
    int choice = compression_;
    if (std::max(width, height) <= 64)
        choice = 0;
    switch (choice) {
    case 0:
        result = alphaHint_ == 0 ? Zel::TextureOpaque32 : Zel::TextureAlpha32;
        alphaFlag_ = alphaHint_ != 0;
        break;
    case 1:
        result = Zel::TextureDXT1;
        alphaFlag_ = alphaHint_ != 0;
        break;
    case 2:
        result = Zel::TextureDXT3;
        alphaFlag_ = true;
        break;
    case 3:
        result = Zel::TextureDXT5;
        alphaFlag_ = true;
        break;
    default:
        break;
    }
    if (forceOptions_) {
        result = option.format;
        alphaFlag_ = option.alpha;
    }
    // Blocks need sides that are multiples of 4.
    if (width % 4 != 0 || height % 4 != 0)
        result = alphaFlag_ ? Zel::TextureAlpha32 : Zel::TextureOpaque32;
    return result;
}

bool CompressAsciiResource::BuildCompressedMips(bool enableCuda, std::string* error)
{
    // A second build replaces the first one's images instead of leaking them.
    FreeCompressedMips();
    uint32_t engineWidth = 0;
    uint32_t engineHeight = 0;
    AsciiTextureResource::GetSize(engineWidth, engineHeight);
    uint32_t width = 0;
    uint32_t height = 0;
    GetSize(width, height);
    for (uint32_t slice = 0; slice < GetDepth(); ++slice) {
        std::unique_ptr<Zel::Bitmap> bitmap = AsciiTextureResource::GetMip(0, slice);
        if (!bitmap) {
            if (error)
                *error = "The texture has no image.";
            return false;
        }
        if (width != engineWidth || height != engineHeight) {
            auto scaled = std::make_unique<Zel::Bitmap>();
            if (!bitmap->Scale(width, height, *scaled)) {
                if (error)
                    *error = "The image cannot be scaled to its size limit.";
                return false;
            }
            bitmap = std::move(scaled);
        }
        if (GetModifyMap() == 1 && bitmap->GetFormat() != Zel::Bitmap::FormatOpaque32) {
            std::vector<uint8_t>& pixels = bitmap->MutablePixels();
            for (size_t i = 0; i < pixels.size(); i += 4) {
                if (pixels[i] | pixels[i + 1] | pixels[i + 2] | pixels[i + 3])
                    pixels[i + 1] = uint8_t(255 - pixels[i + 1]);
            }
        }
        bool wrap = GetWrapS() == Zel::TextureRepeat || GetWrapT() == Zel::TextureRepeat;
        uint32_t format = GetCompressionFormat();
        auto compressed = std::make_unique<TextureCompress>();
        if (!TextureCompress::Compress(*bitmap, *compressed, format, alphaFlag_, wrap, GetNormalMapHint() != 0,
                                       UseMipMaps(), enableCuda, error))
            return false;
        images_.push_back(std::move(compressed));
    }
    return true;
}

bool CompressAsciiResource::GetMipLock()
{
    if (!AsciiTextureResource::GetMipLock())
        return false;
    if (!BuildCompressedMips(true)) {
        GetMipUnlock();
        return false;
    }
    return true;
}

std::unique_ptr<Zel::Bitmap> CompressAsciiResource::GetMip(uint32_t level, uint32_t slice)
{
    if (slice >= images_.size())
        return nullptr;
    const Zel::Bitmap* image = images_[slice]->GetImage(level);
    return image ? std::make_unique<Zel::Bitmap>(*image) : nullptr;
}

bool CompressAsciiResource::GetMipUnlock()
{
    if (!AsciiTextureResource::GetMipUnlock())
        return false;
    FreeCompressedMips();
    return true;
}

bool CompressAsciiResource::SaveCompressed(const Zel::PString& folderName, const char* path, bool enableCuda,
                                           std::string* error)
{
    if (!BuildCompressedMips(enableCuda, error))
        return false;
    return Zel::WriteTextureFile(*this, folderName.c_str(), path, error);
}
