// Zel::UId: GUID text parsing and printing.
#include "zel/uid.h"

#include <cstdio>
#include <cstring>

namespace Zel {
namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

UId::UId(const char* text)
{
    Parse(text, *this);
}

bool UId::Parse(const char* text, UId& out)
{
    out = UId();
    if (!text)
        return false;
    size_t length = strlen(text);
    if (length == 38 && text[0] == '{' && text[37] == '}') {
        ++text;
        length = 36;
    }
    if (length != 36)
        return false;
    uint64_t high = 0, low = 0;
    int digits = 0;
    for (size_t i = 0; i < 36; ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash) {
            if (text[i] != '-')
                return false;
            continue;
        }
        int value = HexValue(text[i]);
        if (value < 0)
            return false;
        uint64_t& half = digits < 16 ? high : low;
        half = (half << 4) | static_cast<uint64_t>(value);
        ++digits;
    }
    out.high_ = high;
    out.low_ = low;
    return true;
}

std::string UId::ToString() const
{
    char text[40];
    snprintf(text, sizeof(text), "%08X-%04X-%04X-%04X-%04X%08X", static_cast<unsigned>(high_ >> 32),
             static_cast<unsigned>((high_ >> 16) & 0xFFFF), static_cast<unsigned>(high_ & 0xFFFF),
             static_cast<unsigned>(low_ >> 48), static_cast<unsigned>((low_ >> 32) & 0xFFFF),
             static_cast<unsigned>(low_ & 0xFFFFFFFF));
    return text;
}

}  // namespace Zel
