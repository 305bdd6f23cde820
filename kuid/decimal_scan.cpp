// "%d" scanning with 32-bit wrap-around, independent of locale.
#include "kuid/decimal_scan.h"

namespace {

bool IsScanSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool ScanDecimalInt32(const char*& cursor, const char* end, int32_t& value)
{
    const char* p = cursor;
    auto more = [&]() { return (end == nullptr || p < end) && *p != 0; };
    while (more() && IsScanSpace(*p))
        ++p;
    bool negative = false;
    if (more() && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (!more() || *p < '0' || *p > '9')
        return false;
    uint32_t magnitude = 0;
    while (more() && *p >= '0' && *p <= '9') {
        magnitude = magnitude * 10u + uint32_t(*p - '0');
        ++p;
    }
    value = int32_t(negative ? 0u - magnitude : magnitude);
    cursor = p;
    return true;
}
