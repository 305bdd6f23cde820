// Zel::AsciiTextureResource: a texture described by a ".texture.txt" file naming its primary and alpha images and its settings.
//
// The description is plain text, one "Key=Value" per line (keys ASCII case
// ignored, blanks around them dropped). "Primary=" names the colour image,
// "Alpha=" an optional image whose grey level becomes the alpha; both are
// relative to the description's folder. The setting keys are those of
// TextureResource::LoadTextureOptions. Other keys are ignored.
#pragma once

#include <memory>
#include <string>

#include "zel/bitmap.h"
#include "zel/texture_resource.h"

namespace Zel {

class AsciiTextureResource : public TextureResource {
public:
    AsciiTextureResource(const char* name, ResourceDatabase* database) : TextureResource(name, database) {}

    const std::string& GetPrimaryName() const { return primaryName_; }
    const std::string& GetAlphaName() const { return alphaName_; }

    // Level 0 of slice 0 is the primary image with the alpha image's grey in
    // its alpha byte; null for anything else or before the load.
    std::unique_ptr<Bitmap> GetMip(uint32_t level, uint32_t slice) override;

protected:
    // Parses the description and loads its images. 1 when the text is no
    // plain text, names no primary image, or an image is missing, damaged or
    // of another size than the primary.
    int LoadTxt(const char* text) override;
    void Unload() override;

private:
    bool LoadImage(const std::string& name, Bitmap& out) const;

    std::string primaryName_;
    std::string alphaName_;
    Bitmap image_;
};

// Resolves each description's images relative to its own folder.
std::string TextureImagePath(const std::string& descriptionFile, const std::string& imageName);

}  // namespace Zel
