// Zel::TextureResource: a texture's settings, its mip images and the writer of the ".texture" body.
#pragma once

#include <cstdint>
#include <memory>

#include "zel/bitmap.h"
#include "zel/resource.h"

namespace Zel {

class ConfigData;
class File;

// Storage formats of a written texture.
enum TextureFormat : uint32_t {
    TextureAlpha32 = 1,   // uncompressed, four bytes per pixel with alpha
    TextureOpaque32 = 3,  // uncompressed, alpha forced opaque
    TextureDXT1 = 10,     // DXT1, or DXT1a with the alpha flag
    TextureDXT3 = 11,
    TextureDXT5 = 12,
};

// Flag bits of a written texture.
enum TextureFlag : uint32_t {
    TextureFlagAlpha = 1,
    TextureFlagWrapS = 2,
    TextureFlagWrapT = 4,
    TextureFlagNormalMap = 8,
};

// Wrap modes of the S and T axes.
enum TextureWrap : int8_t { TextureClamp = 1, TextureRepeat = 2 };

class TextureResource : public Resource {
public:
    TextureResource(const char* name, ResourceDatabase* database) : Resource(name, database) {}

    // The size of the loaded image.
    virtual void GetSize(uint32_t& width, uint32_t& height) const;
    uint32_t GetDepth() const { return depth_; }
    // floor(log2(max(width, height))) + 1 of GetSize.
    virtual uint32_t GetNumMipLevels() const;
    static uint32_t MipLevelsFor(uint32_t width, uint32_t height);
    virtual uint32_t GetOutputFormat() { return TextureAlpha32; }
    // Whether the written format keeps alpha.
    virtual bool GetOutputAlpha() { return GetOutputFormat() != TextureOpaque32; }

    // Mip images: the lock makes them available; GetMip returns a new bitmap
    // (owned by the caller) or null beyond what is stored.
    virtual bool GetMipLock();
    virtual std::unique_ptr<Bitmap> GetMip(uint32_t level, uint32_t slice);
    virtual bool GetMipUnlock();

    // -1 not known, 0 no alpha, 1 full alpha, 2 one-bit alpha.
    int8_t GetAlphaHint() const { return alphaHint_; }
    void SetAlphaHint(int8_t hint) { alphaHint_ = hint; }
    // 0 uncompressed, 1 DXT1, 2 DXT3, 3 DXT5; -1 the texture chooses nothing.
    int8_t GetCompressionChoice() const { return compression_; }
    int8_t GetNormalMapHint() const { return normalMap_; }
    int8_t GetModifyMap() const { return modifyMap_; }
    int8_t GetWrapS() const { return wrapS_; }
    int8_t GetWrapT() const { return wrapT_; }
    bool UseMipMaps() const { return useMipMaps_; }

    // Applies the setting entries "Hint", "AlphaHint", "Anisotropy",
    // "AutoMip", "MagFilter", "MinFilter", "MipFilter" and "Tile" (ASCII case
    // ignored). False on a value these settings do not know.
    bool LoadTextureOptions(const ConfigData& options);

    // Writes the ".texture" body after the container header: version, size,
    // format, flags, mip count, then each slice's levels. The mips must be
    // locked. False on a failed write or when a level is missing.
    bool SaveLockedInternal(File& file);

protected:
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t depth_ = 0;
    int8_t alphaHint_ = -1;
    int8_t compression_ = -1;
    int8_t normalMap_ = 0;
    int8_t modifyMap_ = 0;
    int8_t wrapS_ = TextureRepeat;
    int8_t wrapT_ = TextureRepeat;
    bool useMipMaps_ = true;
    int32_t anisotropy_ = 0;
};

}  // namespace Zel
