// Images checked against golden PNGs a person can open, with a small tolerance for rasteriser differences.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "zel/bitmap.h"
#include "zel/bitmap_png_write.h"

namespace KorvelTest {

// Compares the image with <folder>/<name>.png: same size, and no more than
// one pixel in 200 differing by more than 24 in any channel. With
// KORVEL_WRITE_GOLDENS=1 in the environment a missing golden is written
// instead. On a mismatch the image is left beside the test as
// <name>.actual.png for a look.
inline ::testing::AssertionResult MatchesGolden(const Zel::Bitmap& image, const std::string& folder,
                                                const std::string& name)
{
    const std::string path = folder + "/" + name + ".png";
    Zel::Bitmap golden;
    if (!golden.Load(path.c_str())) {
        const char* write = std::getenv("KORVEL_WRITE_GOLDENS");
        if (write != nullptr && std::string(write) == "1" && Zel::WritePng(image, path.c_str()))
            return ::testing::AssertionSuccess() << "wrote " << path;
        return ::testing::AssertionFailure() << "no golden " << path;
    }
    const std::string actual = name + ".actual.png";
    if (golden.Width() != image.Width() || golden.Height() != image.Height()) {
        Zel::WritePng(image, actual.c_str());
        return ::testing::AssertionFailure() << name << ": size " << image.Width() << "x" << image.Height()
                                             << ", golden " << golden.Width() << "x" << golden.Height();
    }
    size_t differing = 0;
    const size_t pixels = size_t(image.Width()) * size_t(image.Height());
    for (size_t i = 0; i < pixels; ++i) {
        for (size_t k = 0; k < 4; ++k) {
            const int a = image.Pixels()[i * 4 + k];
            const int b = golden.Pixels()[i * 4 + k];
            if (std::abs(a - b) > 24) {
                ++differing;
                break;
            }
        }
    }
    if (differing * 200 > pixels) {
        Zel::WritePng(image, actual.c_str());
        return ::testing::AssertionFailure()
               << name << ": " << differing << " of " << pixels << " pixels differ; see " << actual;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace KorvelTest
