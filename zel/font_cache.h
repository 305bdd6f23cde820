// FontCache: the process-wide list of TrueType fonts, one per distinct font key.
#pragma once

#include <cstddef>
#include <cstdint>

#include "zel/pstring.h"

namespace Zel {

class TTFont;

// A font key. Interned names compare by identity (so letter case counts); a
// null name differs from an empty one.
struct FontCacheEntry {
    uint8_t bold = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t shadow = 0;
    uint8_t antialiased = 0;
    int32_t size = 0;
    PString charset;
    PString face;

    bool SameKey(const FontCacheEntry& other) const;
    uint8_t StyleFlags() const;
};

class FontCache {
public:
    // The cached font of the key, else a new one made and cached; null (and
    // nothing cached, so the next request tries again) when it cannot be made.
    static TTFont* GetFont(const FontCacheEntry& key);
    static size_t Count();
    // Drops every font (the end of the process; tests).
    static void Clear();
};

}  // namespace Zel
