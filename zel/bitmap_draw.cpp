// Zel::Bitmap drawing: pixels, boxes, lines, circles and triangles, clipped to the bitmap.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "zel/bitmap.h"

namespace Zel {

namespace {

bool Drawable(const Bitmap& bitmap)
{
    return (bitmap.GetFormat() == Bitmap::FormatAlpha32 || bitmap.GetFormat() == Bitmap::FormatOpaque32) &&
           bitmap.Width() > 0 && bitmap.Height() > 0;
}

// Source-over of one colour (0xAARRGGBB) onto red, green, blue, alpha bytes.
void Blend(uint8_t* pixel, uint32_t colour)
{
    const uint32_t alpha = colour >> 24;
    const uint32_t keep = 255 - alpha;
    const uint32_t channels[3] = {(colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF};
    for (int i = 0; i < 3; ++i)
        pixel[i] = uint8_t((channels[i] * alpha + pixel[i] * keep + 127) / 255);
    pixel[3] = uint8_t(alpha + (pixel[3] * keep + 127) / 255);
}

// Floor of a / b for b > 0; a may pass 64 bits (a step times a span).
int64_t FloorDiv(__int128 a, int64_t b)
{
    const __int128 quotient = a / b;
    return int64_t((a % b != 0 && a < 0) ? quotient - 1 : quotient);
}

// The largest dx >= 0 with dx² + dy² <= r² + r (a circle that looks round
// at small radii), -1 when the row misses the circle.
int64_t CircleExtent(int64_t radius, int64_t dy)
{
    const int64_t limit = radius * radius + radius;
    const int64_t rest = limit - dy * dy;
    if (rest < 0)
        return -1;
    int64_t root = int64_t(std::sqrt(double(rest)));
    while (root > 0 && root * root > rest)
        --root;
    while ((root + 1) * (root + 1) <= rest)
        ++root;
    return root;
}

}  // namespace

void Bitmap::FillColour(uint32_t colour)
{
    if (!Drawable(*this))
        return;
    const uint8_t bytes[4] = {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour), uint8_t(colour >> 24)};
    for (size_t i = 0; i + 4 <= pixels_.size(); i += 4)
        std::copy(bytes, bytes + 4, pixels_.data() + i);
}

void Bitmap::BlendPixel(int32_t x, int32_t y, uint32_t colour)
{
    if (!Drawable(*this) || x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    Blend(Pixel(x, y), colour);
}

// Blends the colour over columns [left, right] of one row, clipped.
static void BlendSpan(Bitmap& bitmap, int64_t y, int64_t left, int64_t right, uint32_t colour)
{
    if (y < 0 || y >= bitmap.Height())
        return;
    left = std::max<int64_t>(left, 0);
    right = std::min<int64_t>(right, bitmap.Width() - 1);
    for (int64_t x = left; x <= right; ++x)
        Blend(bitmap.Pixel(int32_t(x), int32_t(y)), colour);
}

void Bitmap::Box(const Rect& rect, uint32_t colour, int32_t mode)
{
    if (!Drawable(*this) || rect.width == 0 || rect.height == 0)
        return;
    // Corners given the other way round still make the same box.
    int64_t left = rect.x, top = rect.y, width = rect.width, height = rect.height;
    if (width < 0) {
        left += width;
        width = -width;
    }
    if (height < 0) {
        top += height;
        height = -height;
    }
    const int64_t right = left + width - 1;
    const int64_t bottom = top + height - 1;
    if (mode == ModeFilled) {
        for (int64_t y = std::max<int64_t>(top, 0); y <= std::min<int64_t>(bottom, height_ - 1); ++y)
            BlendSpan(*this, y, left, right, colour);
        return;
    }
    BlendSpan(*this, top, left, right, colour);
    if (bottom != top)
        BlendSpan(*this, bottom, left, right, colour);
    for (int64_t y = std::max<int64_t>(top + 1, 0); y <= std::min<int64_t>(bottom - 1, height_ - 1); ++y) {
        BlendSpan(*this, y, left, left, colour);
        if (right != left)
            BlendSpan(*this, y, right, right, colour);
    }
}

void Bitmap::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour, int32_t /*mode*/)
{
    if (!Drawable(*this))
        return;
    // One pixel per step of the longer axis, the other coordinate rounded;
    // only the steps inside the bitmap are walked, so far ends cost nothing.
    const int64_t dx = int64_t(x2) - x1;
    const int64_t dy = int64_t(y2) - y1;
    const bool alongX = std::llabs(dx) >= std::llabs(dy);
    int64_t startMajor = alongX ? x1 : y1, startMinor = alongX ? y1 : x1;
    int64_t major = alongX ? dx : dy, minor = alongX ? dy : dx;
    if (major < 0) {
        startMajor += major;
        startMinor += minor;
        major = -major;
        minor = -minor;
    }
    const int64_t majorLimit = (alongX ? width_ : height_) - 1;
    const int64_t minorLimit = (alongX ? height_ : width_) - 1;
    const int64_t first = std::max<int64_t>(0, -startMajor);
    const int64_t last = std::min<int64_t>(major, majorLimit - startMajor);
    for (int64_t step = first; step <= last; ++step) {
        const int64_t offset = major == 0 ? 0 : FloorDiv(__int128(2) * step * minor + major, 2 * major);
        const int64_t m = startMinor + offset;
        if (m < 0 || m > minorLimit)
            continue;
        const int64_t a = startMajor + step;
        Blend(alongX ? Pixel(int32_t(a), int32_t(m)) : Pixel(int32_t(m), int32_t(a)), colour);
    }
}

void Bitmap::Circle(int32_t x, int32_t y, int32_t radius, uint32_t colour, int32_t mode)
{
    if (!Drawable(*this) || radius < 0)
        return;
    const int64_t r = radius;
    const int64_t firstRow = std::max<int64_t>(int64_t(y) - r, 0);
    const int64_t lastRow = std::min<int64_t>(int64_t(y) + r, height_ - 1);
    for (int64_t row = firstRow; row <= lastRow; ++row) {
        const int64_t dy = row - y;
        const int64_t extent = CircleExtent(r, dy);
        if (extent < 0)
            continue;
        if (mode == ModeFilled) {
            BlendSpan(*this, row, x - extent, x + extent, colour);
            continue;
        }
        // A border pixel has a neighbour outside: beyond the row's own
        // extent, or beyond the row above's or below's.
        const int64_t inner = std::min(extent, std::min(CircleExtent(r, dy - 1), CircleExtent(r, dy + 1)) + 1);
        BlendSpan(*this, row, x - extent, x - inner, colour);
        BlendSpan(*this, row, x + std::max<int64_t>(inner, 1), x + extent, colour);
    }
}

void Bitmap::Triangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, uint32_t colour,
                      int32_t mode)
{
    if (!Drawable(*this))
        return;
    if (mode != ModeFilled) {
        Line(x1, y1, x2, y2, colour, mode);
        Line(x2, y2, x3, y3, colour, mode);
        Line(x3, y3, x1, y1, colour, mode);
        return;
    }
    const double xs[3] = {double(x1), double(x2), double(x3)};
    const double ys[3] = {double(y1), double(y2), double(y3)};
    const int64_t top = std::max<int64_t>(std::min({y1, y2, y3}), 0);
    const int64_t bottom = std::min<int64_t>(std::max({y1, y2, y3}), height_ - 1);
    for (int64_t row = top; row <= bottom; ++row) {
        // The pixels whose centres lie between the edges' crossings of the
        // row's centre line (the shape is convex: one span).
        double left = std::numeric_limits<double>::infinity();
        double right = -left;
        for (int e = 0; e < 3; ++e) {
            const double ax = xs[e], ay = ys[e], bx = xs[(e + 1) % 3], by = ys[(e + 1) % 3];
            const double y = double(row);
            if (y < std::min(ay, by) || y > std::max(ay, by))
                continue;
            if (ay == by) {
                left = std::min({left, ax, bx});
                right = std::max({right, ax, bx});
                continue;
            }
            const double x = ax + (bx - ax) * (y - ay) / (by - ay);
            left = std::min(left, x);
            right = std::max(right, x);
        }
        if (left > right)
            continue;
        BlendSpan(*this, row, int64_t(std::ceil(left - 1e-9)), int64_t(std::floor(right + 1e-9)), colour);
    }
}

}  // namespace Zel
