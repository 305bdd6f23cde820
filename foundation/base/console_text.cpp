// Conversions between UTF-16 and the single-byte console text.
#include "foundation/base/console_output.h"

namespace {

// The Windows-1252 punctuation marks the console keeps, with their UTF-16 forms.
struct ConsoleMark {
    unsigned char byte;
    char16_t wide;
};
constexpr ConsoleMark consoleMarks[] = {
    {0x85, u'\u2026'}, {0x91, u'\u2018'}, {0x92, u'\u2019'}, {0x93, u'\u201C'}, {0x94, u'\u201D'},
    {0x96, u'\u2013'}, {0xAB, u'\u00AB'}, {0xB0, u'\u00B0'}, {0xBB, u'\u00BB'},
};

char NarrowUnit(char16_t unit)
{
    if ((unit >= 0x20 && unit <= 0x7F) || unit == 0x09 || unit == 0x0A || unit == 0x0D)
        return static_cast<char>(unit);
    for (const ConsoleMark& mark : consoleMarks)
        if (mark.wide == unit)
            return static_cast<char>(mark.byte);
    return '?';
}

char16_t WidenByte(char byte)
{
    unsigned char value = static_cast<unsigned char>(byte);
    for (const ConsoleMark& mark : consoleMarks)
        if (mark.byte == value)
            return mark.wide;
    // The product widens the remaining high bytes as signed chars.
    return static_cast<char16_t>(static_cast<std::int16_t>(static_cast<signed char>(byte)));
}

}  // namespace

std::string WideToConsoleText(std::u16string_view text)
{
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = NarrowUnit(text[i]);
    return out;
}

std::string WideToConsoleText(const char16_t* text)
{
    if (!text)
        return {};
    return WideToConsoleText(std::u16string_view(text));
}

std::u16string ConsoleTextToWide(std::string_view text)
{
    std::u16string out(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = WidenByte(text[i]);
    return out;
}
