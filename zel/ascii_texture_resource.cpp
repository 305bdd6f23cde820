// Zel::AsciiTextureResource: reading a texture description and combining its primary and alpha images.
#include "zel/ascii_texture_resource.h"

#include <cstring>

#include "zel/ascii.h"
#include "zel/config_data.h"
#include "zel/file.h"
#include "zel/resource_database.h"

namespace Zel {

namespace {

constexpr const char* SettingKeys[] = {"Hint",      "AlphaHint", "Anisotropy", "AutoMip",
                                       "MagFilter", "MinFilter", "MipFilter",  "Tile"};

// The alpha a texture needs when its description does not say: none when
// every pixel is opaque, one-bit when only 0 and 255 occur, else full.
int8_t AlphaHintOf(const Bitmap& image)
{
    int8_t hint = 0;
    const std::vector<uint8_t>& pixels = image.Pixels();
    for (size_t i = 3; i < pixels.size(); i += 4) {
        if (pixels[i] == 255)
            continue;
        if (pixels[i] != 0)
            return 1;
        hint = 2;
    }
    return hint;
}

}  // namespace

std::string TextureImagePath(const std::string& descriptionFile, const std::string& imageName)
{
    std::string name = imageName;
    for (char& c : name)
        c = c == '\\' ? '/' : c;
    size_t slash = descriptionFile.find_last_of("/\\");
    return slash == std::string::npos ? name : descriptionFile.substr(0, slash + 1) + name;
}

bool AsciiTextureResource::LoadImage(const std::string& name, Bitmap& out) const
{
    std::string path = TextureImagePath(GetFileName(), name);
    const char* container = GetDatabase() ? GetDatabase()->GetName().c_str() : "";
    File file;
    int opened =
        *container ? file.Open(container, path.c_str(), File::ModeRead) : file.Open(path.c_str(), File::ModeRead);
    if (opened != 0)
        return false;
    int64_t size = file.Size();
    if (size <= 0 || size > Bitmap::MaxPixels * 4 + (int64_t(1) << 20))
        return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (file.Read(bytes.data(), size) != size)
        return false;
    std::string extension = AsciiLowerCopy(File::Path(path.c_str()).GetExt());
    return out.LoadFromMemory(bytes.data(), bytes.size(), extension.c_str());
}

int AsciiTextureResource::LoadTxt(const char* text)
{
    primaryName_.clear();
    alphaName_.clear();
    ConfigData settings;
    const char* line = text;
    while (line && *line) {
        const char* end = std::strchr(line, '\n');
        std::string current = end ? std::string(line, end) : std::string(line);
        line = end ? end + 1 : nullptr;
        // Plain text only: a byte below a blank (other than tab and CR) marks
        // a UTF-16 or binary file.
        for (unsigned char c : current) {
            if (c < 0x20 && c != '\t' && c != '\r')
                return 1;
        }
        size_t equals = current.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = AsciiTrimCopy(current.substr(0, equals));
        std::string value = AsciiTrimCopy(current.substr(equals + 1));
        if (AsciiEqualIgnoreCase(key, "Primary")) {
            primaryName_ = value;
        } else if (AsciiEqualIgnoreCase(key, "Alpha")) {
            alphaName_ = value;
        } else {
            for (const char* setting : SettingKeys) {
                if (AsciiEqualIgnoreCase(key, setting))
                    settings.Add(setting, value.c_str());
            }
        }
    }
    if (primaryName_.empty() || !LoadTextureOptions(settings))
        return 1;
    if (!LoadImage(primaryName_, image_))
        return 1;
    image_.SetFormat(Bitmap::FormatAlpha32);
    if (!alphaName_.empty()) {
        Bitmap alpha;
        if (!LoadImage(alphaName_, alpha) || alpha.Width() != image_.Width() || alpha.Height() != image_.Height()) {
            image_.Clear();
            return 1;
        }
        std::vector<uint8_t>& pixels = image_.MutablePixels();
        const std::vector<uint8_t>& grey = alpha.Pixels();
        for (size_t i = 0; i < pixels.size(); i += 4)
            pixels[i + 3] = uint8_t((grey[i] * 77u + grey[i + 1] * 150u + grey[i + 2] * 29u + 128u) >> 8);
    }
    width_ = uint32_t(image_.Width());
    height_ = uint32_t(image_.Height());
    depth_ = 1;
    if (alphaHint_ < 0)
        alphaHint_ = AlphaHintOf(image_);
    return 0;
}

void AsciiTextureResource::Unload()
{
    image_.Clear();
    width_ = 0;
    height_ = 0;
    depth_ = 0;
}

std::unique_ptr<Bitmap> AsciiTextureResource::GetMip(uint32_t level, uint32_t slice)
{
    if (level != 0 || slice != 0 || image_.Width() == 0)
        return nullptr;
    return std::make_unique<Bitmap>(image_);
}

}  // namespace Zel
