// Helpers of the texture end-to-end tests: test images, texinfo's output and what it should print.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/harness/e2e_harness.h"
#include "zel/texture_file.h"

namespace TextureE2E {

// Pixels with alpha 255 (kind 0), a left-half mask (1), a ramp (2), or a
// grey left-half mask in the colour (3).
inline std::vector<uint8_t> Rgba(int width, int height, int alphaKind)
{
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = rgba.data() + (size_t(y) * width + x) * 4;
            p[0] = uint8_t(x * 2);
            p[1] = uint8_t(y * 2);
            p[2] = uint8_t(100 + (x + y) / 8);
            // A mask image carries its mask in its grey level.
            if (alphaKind == 3)
                p[0] = p[1] = p[2] = x < width / 2 ? 0 : 255;
            p[3] = alphaKind == 0 || alphaKind == 3 ? 255
                   : alphaKind == 1                 ? (x < width / 2 ? 0 : 255)
                                                    : uint8_t(x * 255 / width);
        }
    }
    return rgba;
}

// texinfo's lines for a file of the installation (and its exit status when not 0).
inline std::string TexInfo(const E2E::Installation& installation, const std::string& relative)
{
    E2E::RunResult run = E2E::RunProcess(KORVEL_TEXINFO, {installation.PathOf(relative)});
    return run.out + (run.exitStatus == 0 ? "" : "exit " + std::to_string(run.exitStatus) + "\n");
}

// The lines texinfo prints for a texture of that size, format and full mip chain (or level 0 only).
inline std::string ExpectedTexInfo(const std::string& relative, const E2E::Installation& where, const char* format,
                                   uint32_t formatCode, uint32_t width, uint32_t height, bool mips = true)
{
    std::ostringstream out;
    out << "magic JIRF\nsize " << std::filesystem::file_size(where.PathOf(relative)) - 8 << "\nbody MMTF\nformat "
        << format << "\nwidth " << width << "\nheight " << height << "\n";
    std::vector<std::string> levels;
    for (uint32_t w = width, h = height, i = 0;; ++i) {
        levels.push_back("mip " + std::to_string(i) + " " + std::to_string(w) + " " + std::to_string(h) + " " +
                         std::to_string(Zel::TextureLevelBytes(formatCode, w, h)));
        if (!mips || (w == 1 && h == 1))
            break;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    out << "mips " << levels.size() << "\n";
    for (const std::string& level : levels)
        out << level << "\n";
    return out.str();
}

}  // namespace TextureE2E
