// libsquish on the same 1024 x 1024 images, for context beside the nvtt figures (its own executable: nvtt carries squish:: symbols too).
#include <squish.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/best_of.h"
#include "bench/texture_bench_images.h"

int main()
{
    constexpr int Side = 1024;
    struct Format {
        const char* name;
        int flags;
    };
    const Format formats[] = {{"DXT1", squish::kDxt1}, {"DXT3", squish::kDxt3}, {"DXT5", squish::kDxt5}};
    struct Image {
        const char* name;
        std::vector<uint8_t> rgba;
    };
    const Image images[] = {{"natural", bench::NaturalImage(Side, Side)}, {"noisy", bench::NoisyImage(Side, Side)}};
    std::printf("%-28s %12s  (source MP/s, level 0 only, cluster fit; context, no goal)\n", "libsquish 1024x1024",
                "squish");
    for (const Image& image : images) {
        for (const Format& format : formats) {
            std::vector<uint8_t> blocks(size_t(squish::GetStorageRequirements(Side, Side, format.flags)));
            const double seconds = bench::BestOf(
                [&] { squish::CompressImage(image.rgba.data(), Side, Side, blocks.data(), format.flags); }, 2);
            std::printf("%-28s %12.2f\n", (std::string(format.name) + " " + image.name).c_str(),
                        double(Side) * Side / 1e6 / seconds);
        }
    }
    return 0;
}
