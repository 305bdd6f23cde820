// Fuzz target: the BMP, TGA, PNG and JPEG readers on any bytes; a decoded image always has the pixels it claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "zel/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const char* extension : {"bmp", "tga", "jpg", "png"}) {
        Zel::Bitmap bitmap;
        if (bitmap.LoadFromMemory(data, size, extension)) {
            if (bitmap.Pixels().size() != size_t(bitmap.Width()) * size_t(bitmap.Height()) * 4)
                std::abort();
        } else if (bitmap.Width() != 0 || !bitmap.Pixels().empty()) {
            std::abort();
        }
    }
    return 0;
}
