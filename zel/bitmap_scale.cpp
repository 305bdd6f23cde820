// Zel::Bitmap::Scale: a resized copy of a 32-bit image (box filter down, bilinear up).
#include <algorithm>
#include <cmath>

#include "zel/bitmap.h"

namespace Zel {

namespace {

// One output channel value over the source rectangle [x0, x1) x [y0, y1),
// each source pixel weighted by how much of it the rectangle covers.
void BoxAverage(const Bitmap& source, double x0, double x1, double y0, double y1, uint8_t out[4])
{
    double sum[4] = {0, 0, 0, 0};
    double total = 0;
    const int32_t width = source.Width();
    const uint8_t* pixels = source.Pixels().data();
    for (int32_t y = int32_t(y0); y < int32_t(std::ceil(y1)); ++y) {
        double wy = std::min<double>(y + 1, y1) - std::max<double>(y, y0);
        for (int32_t x = int32_t(x0); x < int32_t(std::ceil(x1)); ++x) {
            double w = wy * (std::min<double>(x + 1, x1) - std::max<double>(x, x0));
            const uint8_t* p = pixels + (size_t(y) * size_t(width) + size_t(x)) * 4;
            for (int c = 0; c < 4; ++c)
                sum[c] += w * p[c];
            total += w;
        }
    }
    for (int c = 0; c < 4; ++c)
        out[c] = uint8_t(std::clamp(std::lround(total > 0 ? sum[c] / total : 0), 0L, 255L));
}

void Bilinear(const Bitmap& source, double x, double y, uint8_t out[4])
{
    const int32_t width = source.Width();
    const int32_t height = source.Height();
    x = std::clamp(x, 0.0, double(width - 1));
    y = std::clamp(y, 0.0, double(height - 1));
    int32_t ix = int32_t(x);
    int32_t iy = int32_t(y);
    int32_t nx = std::min(ix + 1, width - 1);
    int32_t ny = std::min(iy + 1, height - 1);
    double fx = x - ix;
    double fy = y - iy;
    const uint8_t* pixels = source.Pixels().data();
    auto at = [&](int32_t px, int32_t py) { return pixels + (size_t(py) * size_t(width) + size_t(px)) * 4; };
    for (int c = 0; c < 4; ++c) {
        double top = at(ix, iy)[c] * (1 - fx) + at(nx, iy)[c] * fx;
        double bottom = at(ix, ny)[c] * (1 - fx) + at(nx, ny)[c] * fx;
        out[c] = uint8_t(std::clamp(std::lround(top * (1 - fy) + bottom * fy), 0L, 255L));
    }
}

}  // namespace

bool Bitmap::Scale(int64_t width, int64_t height, Bitmap& out) const
{
    out.Clear();
    if (format_ == FormatCompressed || format_ == FormatNone || width_ <= 0 || height_ <= 0)
        return false;
    if (!out.Allocate(width, height))
        return false;
    out.format_ = format_;
    const double sx = double(width_) / double(width);
    const double sy = double(height_) / double(height);
    for (int32_t y = 0; y < out.height_; ++y) {
        for (int32_t x = 0; x < out.width_; ++x) {
            uint8_t* target = out.Pixel(x, y);
            if (sx >= 1 && sy >= 1)
                BoxAverage(*this, x * sx, (x + 1) * sx, y * sy, (y + 1) * sy, target);
            else
                Bilinear(*this, (x + 0.5) * sx - 0.5, (y + 0.5) * sy - 0.5, target);
        }
    }
    return true;
}

}  // namespace Zel
