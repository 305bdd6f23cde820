// The process-wide binding of the font backend: the FreeType one unless another is bound.
#include "zel/font_backend.h"

#include <cstdlib>
#include <string>

#include "zel/freetype_font_backend.h"

namespace Zel {

namespace {

FontBackend* g_bound = nullptr;

// Tests of whole processes pin the font file of their goldens through the
// environment (KORVEL_TEST_FONT_FILE) in builds with test hooks.
std::string PinnedFontFile()
{
#ifdef KORVEL_TEST_HOOKS
    if (const char* file = std::getenv("KORVEL_TEST_FONT_FILE"))
        return file;
#endif
    return std::string();
}

}  // namespace

FontBackend& GetFontBackend()
{
    if (g_bound != nullptr)
        return *g_bound;
    static FreeTypeFontBackend freeType(PinnedFontFile());
    return freeType;
}

void BindFontBackend(FontBackend* backend)
{
    g_bound = backend;
}

}  // namespace Zel
