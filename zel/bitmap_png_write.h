// Writing a 32-bit Zel::Bitmap as a PNG file (red, green, blue, alpha).
#pragma once

namespace Zel {

class Bitmap;

// False when the bitmap is not 32-bit or the file cannot be written.
bool WritePng(const Bitmap& bitmap, const char* path);

}  // namespace Zel
