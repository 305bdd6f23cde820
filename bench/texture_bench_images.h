// The test images of the texture benchmarks: a smooth "natural" picture and random noise, as R, G, B, A pixels.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace bench {

inline std::vector<uint8_t> NaturalImage(int width, int height)
{
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = pixels.data() + (size_t(y) * width + x) * 4;
            double u = double(x) / width;
            double v = double(y) / height;
            p[0] = uint8_t(127 + 120 * std::sin(u * 9 + v * 3));
            p[1] = uint8_t(127 + 120 * std::cos(v * 7 - u * 2));
            p[2] = uint8_t(255 * u * v);
            p[3] = uint8_t(255 * (0.5 + 0.5 * std::sin((u - v) * 12)));
        }
    }
    return pixels;
}

inline std::vector<uint8_t> NoisyImage(int width, int height)
{
    std::mt19937 random(1234);
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    for (uint8_t& byte : pixels)
        byte = uint8_t(random());
    return pixels;
}

}  // namespace bench
