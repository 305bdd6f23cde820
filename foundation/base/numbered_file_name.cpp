// The numbered candidates of a unique file name, shared by the log writer and the crash dump.
#include "foundation/base/numbered_file_name.h"

#include <cstring>

namespace {

// Appends count bytes; false when out has no room left for them and the terminator.
bool Append(char* out, std::size_t capacity, std::size_t& used, const char* bytes, std::size_t count)
{
    if (used + count >= capacity)
        return false;
    std::memcpy(out + used, bytes, count);
    used += count;
    out[used] = '\0';
    return true;
}

}  // namespace

bool FormatNumberedFileName(char* out, std::size_t capacity, const char* path, int number)
{
    if (out == nullptr || capacity == 0)
        return false;
    out[0] = '\0';
    std::size_t length = std::strlen(path);
    std::size_t used = 0;
    if (number <= 1) {
        if (Append(out, capacity, used, path, length))
            return true;
        out[0] = '\0';
        return false;
    }
    std::size_t stemLength = length;
    for (std::size_t index = length; index > 0; --index) {
        char c = path[index - 1];
        if (c == '/' || c == '\\')
            break;
        if (c == '.') {
            stemLength = index - 1;
            break;
        }
    }
    // Digits by hand: no locale, no allocation.
    char digits[16];
    std::size_t count = 0;
    for (unsigned value = static_cast<unsigned>(number); value != 0; value /= 10)
        digits[count++] = static_cast<char>('0' + value % 10);
    char numberText[18];
    numberText[0] = '_';
    for (std::size_t index = 0; index < count; ++index)
        numberText[1 + index] = digits[count - 1 - index];
    numberText[1 + count] = '.';
    const char* extension = stemLength < length ? path + stemLength + 1 : "";
    if (Append(out, capacity, used, path, stemLength) && Append(out, capacity, used, numberText, count + 2) &&
        Append(out, capacity, used, extension, std::strlen(extension)))
        return true;
    out[0] = '\0';
    return false;
}
