// KUID text forms written into caller buffers, without printf (ids are printed in bulk).
#include "kuid/kuid.h"

#include <cstring>

namespace {

// Appends the decimal text of a signed 32-bit value, as "%d" prints it.
char* AppendInt(char* out, int32_t value)
{
    uint32_t magnitude = uint32_t(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    char digits[10];
    int count = 0;
    do {
        digits[count++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

char* AppendText(char* out, const char* text)
{
    size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

// prefix, the numbers joined by `separator`, suffix; zero-terminated.
int FormatNumbers(char* buffer, const char* prefix, const int32_t* values, int count, char separator,
                  const char* suffix)
{
    char* out = AppendText(buffer, prefix);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            *out++ = separator;
        out = AppendInt(out, values[i]);
    }
    out = AppendText(out, suffix);
    *out = '\0';
    return int(out - buffer);
}

int FormatFixed(char* buffer, const char* text)
{
    size_t length = std::strlen(text);
    std::memcpy(buffer, text, length + 1);
    return int(length);
}

// One text form: what the null id writes, and the frames of the short form
// (user and content) and the long form (user, content and version).
struct TextForm {
    const char* nullText;
    const char* shortPrefix;
    const char* longPrefix;
    char separator;
    const char* suffix;
    bool alwaysShort;
};

constexpr TextForm TagForm{"<NULL>", "<kuid:", "<kuid2:", ':', ">", false};
constexpr TextForm TagFormNoVersion{"<NULL>", "<kuid:", "<kuid:", ':', ">", true};
constexpr TextForm ColonForm{"NULLKUID", "", "", ':', "", false};
constexpr TextForm KeywordForm{"NULLKUID", "kuid ", "kuid2 ", ' ', "", false};

int Format(const KUID& id, const TextForm& form, char* buffer)
{
    if (id.IsNull())
        return FormatFixed(buffer, form.nullText);
    const int32_t values[] = {id.user, id.content, id.version};
    if (form.alwaysShort || id.IsShortForm())
        return FormatNumbers(buffer, form.shortPrefix, values, 2, form.separator, form.suffix);
    return FormatNumbers(buffer, form.longPrefix, values, 3, form.separator, form.suffix);
}

}  // namespace

int KUID::FormatTagString(char* buffer) const
{
    return Format(*this, TagForm, buffer);
}

int KUID::FormatTagStringNoVersion(char* buffer) const
{
    return Format(*this, TagFormNoVersion, buffer);
}

int KUID::FormatColonString(char* buffer) const
{
    return Format(*this, ColonForm, buffer);
}

int KUID::FormatKeywordString(char* buffer) const
{
    return Format(*this, KeywordForm, buffer);
}
