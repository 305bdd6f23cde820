// Locale-free "%d" / "%f" scanning and "%d" / "%g" printing for soup values.
#include "soup/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "zel/ascii.h"

namespace SoupNumberText {
namespace {

// The white space that scanf skips in the C locale.
bool IsScanSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

size_t SkipDigits(const char* text, size_t length, size_t at)
{
    while (at < length && Zel::AsciiIsDigit(text[at]))
        ++at;
    return at;
}

}  // namespace

bool ScanFloat(const char* text, size_t length, float& value)
{
    size_t at = 0;
    while (at < length && IsScanSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < length && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    const size_t start = at;
    size_t end = SkipDigits(text, length, at);
    bool anyDigit = end > start;
    if (end < length && text[end] == '.') {
        const size_t fractionEnd = SkipDigits(text, length, end + 1);
        anyDigit = anyDigit || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!anyDigit)
        return false;
    if (end < length && (text[end] == 'e' || text[end] == 'E')) {
        size_t exponent = end + 1;
        if (exponent < length && (text[exponent] == '-' || text[exponent] == '+'))
            ++exponent;
        const size_t exponentEnd = SkipDigits(text, length, exponent);
        if (exponentEnd > exponent)
            end = exponentEnd;
    }
    // from_chars rejects a leading sign of its own; it is applied here.
    double parsed = 0.0;
    const auto result = std::from_chars(text + start, text + end, parsed, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small even for a double: decide by the exponent's sign.
        size_t e = start;
        while (e < end && text[e] != 'e' && text[e] != 'E')
            ++e;
        const bool tiny = e + 1 < end && text[e + 1] == '-';
        parsed = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc()) {
        return false;
    }
    float narrowed = float(parsed);
    value = negative ? -narrowed : narrowed;
    return true;
}

bool PassesNumberCheck(const char* text, size_t length)
{
    size_t at = 0;
    if (at < length && text[at] == '-')
        ++at;
    while (length > at && (text[length - 1] == ' ' || text[length - 1] == '\t'))
        --length;
    if (at >= length)
        return false;
    bool seenDot = false;
    while (at < length) {
        const char c = text[at];
        if (Zel::AsciiIsDigit(c)) {
            ++at;
            continue;
        }
        if (c == '.' && !seenDot) {
            seenDot = true;
            ++at;
            continue;
        }
        if (c != 'e' || !seenDot)
            return false;
        // The exponent: 'e', a sign, then digits to the end.
        ++at;
        if (at >= length || (text[at] != '+' && text[at] != '-'))
            return false;
        ++at;
        if (at >= length)
            return false;
        return SkipDigits(text, length, at) == length;
    }
    return true;
}

void AppendInt32(std::string& out, int32_t value)
{
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendFloatG(std::string& out, float value)
{
    // to_chars with the general format and precision 6 is printf's "%g" in
    // the C locale, whatever locale the process runs in.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, double(value), std::chars_format::general, 6);
    out.append(buffer, result.ptr);
}

}  // namespace SoupNumberText
