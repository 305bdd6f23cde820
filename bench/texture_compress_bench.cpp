// TextureCompress::Compress per format, with and without mips, on natural and noisy 1024 x 1024 images, against NVIDIA Texture Tools called directly with the same options.

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/best_of.h"
#include "bench/texture_bench_images.h"
#include "bench/texture_bench_nvtt.h"
#include "mesh/texture_compress.h"
#include "zel/texture_resource.h"

namespace {

constexpr int Side = 1024;

}  // namespace

int main()
{
    struct Format {
        const char* name;
        uint32_t code;
        bool alpha;
        nvtt::Format library;
    };
    const Format formats[] = {{"DXT1", Zel::TextureDXT1, false, nvtt::Format_DXT1},
                              {"DXT1a", Zel::TextureDXT1, true, nvtt::Format_DXT1a},
                              {"DXT3", Zel::TextureDXT3, true, nvtt::Format_DXT3},
                              {"DXT5", Zel::TextureDXT5, true, nvtt::Format_DXT5}};
    struct Image {
        const char* name;
        std::vector<uint8_t> rgba;
    };
    const Image images[] = {{"natural", bench::NaturalImage(Side, Side)}, {"noisy", bench::NoisyImage(Side, Side)}};
    const double megapixels = double(Side) * Side / 1e6;
    std::printf("%-28s %12s %12s %8s  (source MP/s; goal ratio <= 1.05)\n", "Compress 1024x1024", "ours", "nvtt direct",
                "ratio");
    for (const Image& image : images) {
        std::vector<uint8_t> bgra = image.rgba;
        for (size_t i = 0; i < bgra.size(); i += 4)
            std::swap(bgra[i], bgra[i + 2]);
        for (const Format& format : formats) {
            for (bool mipmaps : {false, true}) {
                Zel::Bitmap source;
                source.Init(Side, Side, Zel::Bitmap::FormatAlpha32, int64_t(Side) * Side * 4);
                // Ours and the library take turns, so a busy machine slows both alike.
                double ours = 1e9;
                double direct = 1e9;
                for (int run = 0; run < 3; ++run) {
                    ours = std::min(ours, bench::BestOf(
                                              [&] {
                                                  source.MutablePixels() = image.rgba;
                                                  TextureCompress target;
                                                  TextureCompress::Compress(source, target, format.code, format.alpha,
                                                                            false, false, mipmaps, false);
                                              },
                                              1));
                    direct = std::min(
                        direct,
                        bench::BestOf([&] { bench::DirectNvtt(bgra, Side, format.library, mipmaps, false); }, 1));
                }
                char what[64];
                std::snprintf(what, sizeof what, "%s %s%s", format.name, image.name, mipmaps ? " mips" : "");
                std::printf("%-28s %12.2f %12.2f %8.3f\n", what, megapixels / ours, megapixels / direct, ours / direct);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
