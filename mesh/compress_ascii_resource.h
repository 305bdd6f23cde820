// CompressAsciiResource: a texture description loaded for conversion, with outside options, a size limit, a storage-format choice and compressed mips.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "mesh/texture_compress.h"
#include "zel/ascii_texture_resource.h"
#include "zel/options.h"

class CompressAsciiResource : public Zel::AsciiTextureResource {
public:
    // The resource type that makes this class.
    static constexpr const char* TypeName = "convert-tex.txt";
    // Registers the type with the engine (once; later calls do nothing).
    static void RegisterType();

    CompressAsciiResource(const char* name, Zel::ResourceDatabase* database);
    ~CompressAsciiResource() override;

    // Set by the owner before the first lock; read by the load and the
    // format choice.
    void SetOptions(const Zel::Options* options) { options_ = options; }

    // The image size after the MaxTextureSize limit.
    void GetSize(uint32_t& width, uint32_t& height) const override;
    uint32_t GetNumMipLevels() const override;
    uint32_t GetOutputFormat() override { return GetCompressionFormat(); }
    bool GetOutputAlpha() override;
    // The storage format (1, 3, 10, 11, 12); sets the alpha flag.
    uint32_t GetCompressionFormat();
    bool GetAlphaFlag() const { return alphaFlag_; }

    // The engine lock, then the compressed mips (hardware acceleration on).
    bool GetMipLock() override;
    std::unique_ptr<Zel::Bitmap> GetMip(uint32_t level, uint32_t slice) override;
    // Frees the compressed mips.
    bool GetMipUnlock() override;
    // The engine's own mip lock, which compresses nothing.
    bool LockSourceMips() { return AsciiTextureResource::GetMipLock(); }

    // Builds the compressed mips and writes the ".texture" file (folder name
    // for the path substitution, or none for an absolute path). The mips
    // must be locked. False when the build, the open or a write fails;
    // error then says which.
    bool SaveCompressed(const Zel::PString& folderName, const char* path, bool enableCuda,
                        std::string* error = nullptr);

    // Replaces the compressed images by new ones from the loaded image.
    bool BuildCompressedMips(bool enableCuda, std::string* error = nullptr);

protected:
    int LoadTxt(const char* text) override;

private:
    void FreeCompressedMips() { images_.clear(); }

    std::vector<std::unique_ptr<TextureCompress>> images_;
    const Zel::Options* options_ = nullptr;
    bool forceOptions_ = false;
    bool alphaFlag_ = false;
    uint32_t maxWidth_ = 0xFFFFFFFFu;
    uint32_t maxHeight_ = 0xFFFFFFFFu;
};
