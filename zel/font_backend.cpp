// The process-wide binding of the font backend: the FreeType one unless another is bound.
#include "zel/font_backend.h"

#include "zel/freetype_font_backend.h"

namespace Zel {

namespace {

FontBackend* g_bound = nullptr;

}  // namespace

FontBackend& GetFontBackend()
{
    if (g_bound != nullptr)
        return *g_bound;
    static FreeTypeFontBackend freeType;
    return freeType;
}

void BindFontBackend(FontBackend* backend)
{
    g_bound = backend;
}

}  // namespace Zel
