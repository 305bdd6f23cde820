// Zel::Bitmap PNG reader, through libpng's simplified reading interface.
#include <png.h>

#include "zel/bitmap.h"

namespace Zel {

bool Bitmap::DecodePng(const uint8_t* bytes, size_t size)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes, size))
        return false;
    image.format = PNG_FORMAT_RGBA;
    // The header's size is checked before the pixels are allocated.
    if (!Allocate(image.width, image.height)) {
        png_image_free(&image);
        return false;
    }
    if (!png_image_finish_read(&image, nullptr, pixels_.data(), 0, nullptr)) {
        png_image_free(&image);
        Clear();
        return false;
    }
    return true;
}

}  // namespace Zel
