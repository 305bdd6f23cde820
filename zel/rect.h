// Zel::Rect: a rectangle of pixels by its top-left corner and size.
#pragma once

#include <cstdint>

namespace Zel {

struct Rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

}  // namespace Zel
