// The Unicode range table (font signature bit → code range) and the charset names fonts are asked for by.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Zel {

struct UnicodeRangeRow {
    uint32_t bit;  // Unicode-subset bit of the font signature (0-127)
    uint32_t first;
    uint32_t last;  // inclusive
};

// Rows in ascending code order; some bits have several rows, some none.
const UnicodeRangeRow* UnicodeRangeRows(size_t* count);

// The charset value of a name (case does not count); fallback when the name
// is null or not known.
int32_t CharsetValueOf(const char* name, int32_t fallback);

}  // namespace Zel
