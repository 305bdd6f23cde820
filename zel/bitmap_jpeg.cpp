// The JPEG reader, through libjpeg; any warning (a cut-short or damaged file) fails the load.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include "zel/bitmap.h"

namespace Zel {

namespace {

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

[[noreturn]] void Escape(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->escape, 1);
}

// libjpeg only warns about premature ends and corrupt data and then makes up
// the missing pixels; for a check of the file that is a failure.
void EscapeOnWarning(j_common_ptr info, int level)
{
    if (level < 0)
        Escape(info);
}

void Silent(j_common_ptr /*info*/) {}

}  // namespace

bool Bitmap::DecodeJpeg(const uint8_t* bytes, size_t size)
{
    jpeg_decompress_struct info;
    ErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = Escape;
    trap.manager.emit_message = EscapeOnWarning;
    trap.manager.output_message = Silent;
    // Locals changed after setjmp are not used after the jump.
    if (setjmp(trap.escape) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    if (int64_t(info.image_width) > MaxSide || int64_t(info.image_height) > MaxSide ||
        !Allocate(info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    // The row lives in libjpeg's pool, freed with the decompressor on every
    // path, the error jump included.
    JSAMPARRAY rows =
        (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, info.output_width * 3, 1);
    const uint8_t* row = rows[0];
    while (info.output_scanline < info.output_height) {
        const int32_t y = int32_t(info.output_scanline);
        if (jpeg_read_scanlines(&info, rows, 1) != 1) {
            jpeg_destroy_decompress(&info);
            return false;
        }
        for (int32_t x = 0; x < width_; ++x) {
            uint8_t* out = Pixel(x, y);
            out[0] = row[size_t(x) * 3];
            out[1] = row[size_t(x) * 3 + 1];
            out[2] = row[size_t(x) * 3 + 2];
            out[3] = 255;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace Zel
