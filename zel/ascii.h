// ASCII-only character classes and case helpers: the engine folds letters A-Z only and keeps every byte from 0x80
// up, whatever the locale (never std::tolower, isdigit or strcasecmp, which follow it).
#pragma once

#include <string>
#include <string_view>

namespace Zel {

inline char AsciiToLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char AsciiToUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool AsciiIsDigit(char c)
{
    return c >= '0' && c <= '9';
}
inline bool AsciiIsUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}
inline bool AsciiIsLower(char c)
{
    return c >= 'a' && c <= 'z';
}
inline bool AsciiIsLetter(char c)
{
    return AsciiIsUpper(c) || AsciiIsLower(c);
}
inline bool AsciiIsLetterOrDigit(char c)
{
    return AsciiIsLetter(c) || AsciiIsDigit(c);
}

inline std::string AsciiLowerCopy(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = AsciiToLower(c);
    return lower;
}

// The text without the blanks, tabs and line ends around it.
inline std::string AsciiTrimCopy(std::string_view text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return std::string();
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

inline bool AsciiEqualIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiToLower(a[i]) != AsciiToLower(b[i]))
            return false;
    }
    return true;
}

// Byte-wise unsigned comparison, letters folded when asked: -1, 0 or 1.
inline int AsciiCompare(std::string_view a, std::string_view b, bool foldCase)
{
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        unsigned char x = static_cast<unsigned char>(foldCase ? AsciiToLower(a[i]) : a[i]);
        unsigned char y = static_cast<unsigned char>(foldCase ? AsciiToLower(b[i]) : b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace Zel
