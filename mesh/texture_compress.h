// TextureCompress: one 32-bit bitmap turned into a chain of compressed (or uncompressed) mip images by NVIDIA Texture Tools.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "zel/bitmap.h"
#include "zel/pstring.h"

class TextureCompress {
public:
    TextureCompress() = default;
    virtual ~TextureCompress() = default;
    TextureCompress(const TextureCompress&) = delete;
    TextureCompress& operator=(const TextureCompress&) = delete;

    // Compresses source into target's images, level 0 first. format is a
    // storage format (1, 3, 10, 11 or 12); alpha picks DXT1a for 10. The
    // source must be a 32-bit bitmap of at least 1 x 1 and is changed in
    // place: for format 3 (or an opaque bitmap) every non-zero pixel is
    // made opaque. False for a format or bitmap refused before the library
    // runs, or when the library fails, throws or its output overflows;
    // error then holds the reason (the last compression error is set too).
    static bool Compress(Zel::Bitmap& source, TextureCompress& target, uint32_t format, bool alpha, bool wrap,
                         bool normalMap, bool mipmaps, bool enableCuda, std::string* error = nullptr);

    // The latest failure text of any compression in the process, shared by
    // every worker (read it right after a failure on one thread only; the
    // per-call error of Compress is the reliable one).
    static Zel::PString GetLastError();
    static void SetLastError(const char* text);

    size_t GetCount() const { return images_.size(); }
    const Zel::Bitmap* GetImage(size_t level) const { return level < images_.size() ? images_[level].get() : nullptr; }
    void Append(std::unique_ptr<Zel::Bitmap> image) { images_.push_back(std::move(image)); }

private:
    std::vector<std::unique_ptr<Zel::Bitmap>> images_;
};
