// Zel::Bitmap drawing of another bitmap: a rectangle unscaled at a point, or stretched over a rectangle.
#include <algorithm>
#include <cstring>
#include <optional>

#include "zel/bitmap.h"

namespace Zel {

namespace {

bool Is32Bit(const Bitmap& bitmap)
{
    return (bitmap.GetFormat() == Bitmap::FormatAlpha32 || bitmap.GetFormat() == Bitmap::FormatOpaque32) &&
           bitmap.Width() > 0 && bitmap.Height() > 0;
}

// One source pixel onto one target pixel (both red, green, blue, alpha).
void Put(uint8_t* target, const uint8_t* source, int32_t mode)
{
    if (mode != Bitmap::ModeBlend) {
        std::memcpy(target, source, 4);
        return;
    }
    const uint32_t alpha = source[3];
    const uint32_t keep = 255 - alpha;
    for (int i = 0; i < 3; ++i)
        target[i] = uint8_t((source[i] * alpha + target[i] * keep + 127) / 255);
    target[3] = uint8_t(alpha + (target[3] * keep + 127) / 255);
}

// The source coordinate under the centre of target offset t (>= 0) of a
// span of targetSize pixels mapped onto sourceSize; 128 bits, as far-off
// rectangles pass 64.
int64_t SourceOffset(int64_t sourceStart, int64_t t, int64_t sourceSize, int64_t targetSize)
{
    return sourceStart + int64_t((__int128(2) * t + 1) * sourceSize / (__int128(2) * targetSize));
}

}  // namespace

void Bitmap::Image(const Bitmap& source, int32_t x, int32_t y, const Rect& sourceRect, int32_t mode)
{
    if (!Is32Bit(*this) || !Is32Bit(source) || sourceRect.width <= 0 || sourceRect.height <= 0)
        return;
    // Drawn onto itself, the source is read from a copy so that overlapping
    // rectangles do not smear.
    std::optional<Bitmap> copy;
    const Bitmap& from = (&source == this) ? copy.emplace(source) : source;
    // Columns and rows of the source rectangle that lie inside both bitmaps.
    const int64_t firstColumn = std::max<int64_t>({0, -int64_t(sourceRect.x), -int64_t(x)});
    const int64_t firstRow = std::max<int64_t>({0, -int64_t(sourceRect.y), -int64_t(y)});
    const int64_t endColumn =
        std::min<int64_t>({int64_t(sourceRect.width), int64_t(from.Width()) - sourceRect.x, int64_t(width_) - x});
    const int64_t endRow =
        std::min<int64_t>({int64_t(sourceRect.height), int64_t(from.Height()) - sourceRect.y, int64_t(height_) - y});
    for (int64_t r = firstRow; r < endRow; ++r) {
        for (int64_t c = firstColumn; c < endColumn; ++c) {
            const uint8_t* pixel =
                from.Pixels().data() + (size_t(sourceRect.y + r) * size_t(from.Width()) + size_t(sourceRect.x + c)) * 4;
            Put(Pixel(int32_t(x + c), int32_t(y + r)), pixel, mode);
        }
    }
}

void Bitmap::Image(const Bitmap& source, const Rect& targetRect, const Rect& sourceRect, int32_t mode)
{
    if (!Is32Bit(*this) || !Is32Bit(source) || targetRect.width <= 0 || targetRect.height <= 0 ||
        sourceRect.width <= 0 || sourceRect.height <= 0)
        return;
    std::optional<Bitmap> copy;
    const Bitmap& from = (&source == this) ? copy.emplace(source) : source;
    const int64_t firstRow = std::max<int64_t>(targetRect.y, 0);
    const int64_t endRow = std::min<int64_t>(int64_t(targetRect.y) + targetRect.height, height_);
    const int64_t firstColumn = std::max<int64_t>(targetRect.x, 0);
    const int64_t endColumn = std::min<int64_t>(int64_t(targetRect.x) + targetRect.width, width_);
    for (int64_t ty = firstRow; ty < endRow; ++ty) {
        // The source pixel under the centre of each target pixel.
        const int64_t sy = SourceOffset(sourceRect.y, ty - targetRect.y, sourceRect.height, targetRect.height);
        if (sy < 0 || sy >= from.Height())
            continue;
        for (int64_t tx = firstColumn; tx < endColumn; ++tx) {
            const int64_t sx = SourceOffset(sourceRect.x, tx - targetRect.x, sourceRect.width, targetRect.width);
            if (sx < 0 || sx >= from.Width())
                continue;
            const uint8_t* pixel = from.Pixels().data() + (size_t(sy) * size_t(from.Width()) + size_t(sx)) * 4;
            Put(Pixel(int32_t(tx), int32_t(ty)), pixel, mode);
        }
    }
}

}  // namespace Zel
