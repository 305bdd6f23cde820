// Images written out as PNG files when they go, in builds with test hooks.
#include "scripthost/gso_image_test_dump.h"

#include <cstdlib>
#include <string>

#include "scripthost/gso_image.h"
#include "zel/bitmap_png_write.h"

int NextImageSerial()
{
    static int serial = 0;
    return ++serial;
}

void DumpImageForTests([[maybe_unused]] const GSOImage& image, [[maybe_unused]] int serial)
{
#ifdef KORVEL_TEST_HOOKS
    const char* folder = std::getenv("KORVEL_TEST_IMAGE_PNG_DIR");
    if (folder == nullptr || image.GetBitmap() == nullptr)
        return;
    const std::string path = std::string(folder) + "/image-" + std::to_string(serial) + ".png";
    Zel::WritePng(*image.GetBitmap(), path.c_str());
#endif
}
