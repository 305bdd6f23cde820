// FontCache: fonts kept in the order they were first asked for, for the life of the process.
#include "zel/font_cache.h"

#include <deque>
#include <memory>
#include <utility>

#include "zel/tt_font.h"

namespace Zel {

namespace {

struct CachedFont {
    FontCacheEntry key;
    std::unique_ptr<TTFont> font;
};

// Script thread only, like the fonts themselves: no lock.
std::deque<CachedFont>& Entries()
{
    static std::deque<CachedFont> entries;
    return entries;
}

}  // namespace

bool FontCacheEntry::SameKey(const FontCacheEntry& other) const
{
    return bold == other.bold && italic == other.italic && underline == other.underline &&
           strikeOut == other.strikeOut && shadow == other.shadow && antialiased == other.antialiased &&
           size == other.size && charset.Node() == other.charset.Node() && face.Node() == other.face.Node();
}

uint8_t FontCacheEntry::StyleFlags() const
{
    uint8_t flags = 0;
    flags |= bold ? TTFont::StyleBold : 0;
    flags |= underline ? TTFont::StyleUnderline : 0;
    flags |= italic ? TTFont::StyleItalic : 0;
    flags |= strikeOut ? TTFont::StyleStrikeOut : 0;
    flags |= shadow ? TTFont::StyleShadow : 0;
    flags |= antialiased ? TTFont::StyleAntialiased : 0;
    return flags;
}

TTFont* FontCache::GetFont(const FontCacheEntry& key)
{
    for (CachedFont& entry : Entries()) {
        if (entry.key.SameKey(key))
            return entry.font.get();
    }
    auto font = std::make_unique<TTFont>();
    const char* charset = key.charset.IsNull() ? nullptr : key.charset.c_str();
    const char* face = key.face.IsNull() ? nullptr : key.face.c_str();
    if (!font->Init(charset, face, key.size, key.StyleFlags()))
        return nullptr;
    Entries().push_back(CachedFont{key, std::move(font)});
    return Entries().back().font.get();
}

size_t FontCache::Count()
{
    return Entries().size();
}

void FontCache::Clear()
{
    Entries().clear();
}

}  // namespace Zel
