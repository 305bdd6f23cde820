// FreeTypeFontBackend: fonts matched with fontconfig and rasterised with FreeType.
#pragma once

#include <memory>
#include <string>

#include "zel/font_backend.h"

namespace Zel {

class FreeTypeFontBackend final : public FontBackend {
public:
    // With a file, every font is made from that file (tests pin one); without,
    // faces are matched by fontconfig.
    explicit FreeTypeFontBackend(std::string pinnedFile = std::string());
    ~FreeTypeFontBackend() override;
    FreeTypeFontBackend(const FreeTypeFontBackend&) = delete;
    FreeTypeFontBackend& operator=(const FreeTypeFontBackend&) = delete;

    std::unique_ptr<BackendFont> CreateFont(const FontRequest& request) override;
    // The font file and face index fontconfig picks for a request; false when
    // it picks none.
    static bool MatchFace(const FontRequest& request, std::string& file, int& faceIndex);

    // The largest cell height made; larger requests fail as a platform's
    // font creation does.
    static constexpr int32_t MaxHeight = 16384;

    // The FreeType library, shared by the backend and its fonts.
    struct Library;

private:
    // Fonts may outlive the backend (the font cache empties at exit): each
    // holds the library too.
    std::shared_ptr<Library> library_;
    std::string pinnedFile_;
};

}  // namespace Zel
