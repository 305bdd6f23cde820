// Writing a 32-bit Zel::Bitmap as a PNG file, through libpng's simplified writing interface.
#include "zel/bitmap_png_write.h"

#include <png.h>

#include "zel/bitmap.h"

namespace Zel {

bool WritePng(const Bitmap& bitmap, const char* path)
{
    if (path == nullptr || bitmap.Width() <= 0 || bitmap.Height() <= 0 ||
        (bitmap.GetFormat() != Bitmap::FormatAlpha32 && bitmap.GetFormat() != Bitmap::FormatOpaque32))
        return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = uint32_t(bitmap.Width());
    image.height = uint32_t(bitmap.Height());
    image.format = PNG_FORMAT_RGBA;
    const bool written = png_image_write_to_file(&image, path, 0, bitmap.Pixels().data(), 0, nullptr) != 0;
    png_image_free(&image);
    return written;
}

}  // namespace Zel
