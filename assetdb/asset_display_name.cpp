// An asset's display name and build version derived from its config, and the trimming of display names.
#include "assetdb/category_codes.h"

#include <cstring>

#include "interfacetext/interface_text_db.h"
#include "soup/soup_handle.h"

namespace {

bool IsTrimmedBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Whole hundredths of a build number, rounded as the builds are written.
int32_t BuildHundredths(float build)
{
    float scaled = (build + 0.005f) * 100.0f;
    if (!(scaled > -2147483648.0f && scaled < 2147483647.0f))
        return scaled > 0 ? 2147483647 : -2147483647 - 1;
    return int32_t(scaled);
}

}  // namespace

float GetConfigBuildVersion(const SoupHandle& config)
{
    float build = config.GetNamedTagAsFloat(Zel::PString("korvel-build"), 0.0f);
    if (build >= 1.0f && build < 100.0f)
        return build + 0.005f;
    if (config.HasNamedTag(Zel::PString("mesh-table")) || config.HasNamedTag(Zel::PString("class")) ||
        config.HasNamedTag(Zel::PString("scriptclass")))
        return 2.0f;
    return 1.3f;
}

Zel::String GetAssetDisplayName(const SoupHandle& config)
{
    Zel::String name;
    for (const char* tag : {"username", "name", "asset-filename"}) {
        Zel::PString value = config.GetNamedTag(Zel::PString(tag));
        if (!value.IsEmpty()) {
            name.Set(value.c_str());
            break;
        }
    }
    // Builds before 2.9 could not hold blanks in names and wrote "_" instead.
    if (BuildHundredths(config.GetNamedTagAsFloat(Zel::PString("korvel-build"), 0.0f)) < 290) {
        std::string text = name.Std();
        for (char& c : text) {
            if (c == '_')
                c = ' ';
        }
        name.Set(text);
    }
    return TrimDisplayName(name.c_str());
}

int IsQuoteAt(const char* position, int remaining)
{
    if (position == nullptr || remaining == 0)
        return 0;
    const unsigned char c = static_cast<unsigned char>(*position);
    if (c == '"' || c == '\'')
        return 1;
    bool backwards = remaining < 0;
    int room = backwards ? -remaining : remaining;
    // A single-byte curly quote counts when its inner neighbour is 7-bit text.
    if (c >= 145 && c <= 148) {
        if (room < 2)
            return 0;
        unsigned char inner = static_cast<unsigned char>(backwards ? position[-1] : position[1]);
        return inner < 0x80 ? 1 : 0;
    }
    if (room < 3)
        return 0;
    if (!backwards) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(position);
        if (p[0] == 0xE2 && p[1] == 0x80 && (p[2] == 0x98 || p[2] == 0x9C))
            return 3;
        return 0;
    }
    const unsigned char* last = reinterpret_cast<const unsigned char*>(position);
    if (last[-2] == 0xE2 && last[-1] == 0x80 && (last[0] == 0x99 || last[0] == 0x9D))
        return 3;
    return 0;
}

Zel::String TrimDisplayName(const char* text)
{
    const char* begin = text != nullptr ? text : "";
    const char* end = begin + std::strlen(begin);
    while (begin < end && IsTrimmedBlank(*begin))
        ++begin;
    while (end > begin && IsTrimmedBlank(end[-1]))
        --end;
    int opening = IsQuoteAt(begin, int(end - begin));
    begin += opening;
    if (end > begin) {
        int closing = IsQuoteAt(end - 1, -int(end - begin));
        end -= closing;
    }
    if (end <= begin)
        return GetInterfaceText("$cm_general_untitled");
    return Zel::String(begin, size_t(end - begin));
}
