// The C runtime's "%d" scan, pinned: same result whatever the locale or word size.
#pragma once

#include <cstdint>

// Scans a decimal int32 at `cursor` as a 32-bit runtime's "%d" does: skips
// white space (blank, \t, \n, \v, \f, \r), takes an optional '+' or '-', then
// one or more digits; overflow wraps modulo 2^32. Stops at `end` (when not
// null) and at a zero byte. On success the cursor moves past the digits and
// true is returned; on failure the cursor and the value are left as they were.
bool ScanDecimalInt32(const char*& cursor, const char* end, int32_t& value);

// Same on zero-terminated text.
inline bool ScanDecimalInt32(const char*& cursor, int32_t& value)
{
    return ScanDecimalInt32(cursor, nullptr, value);
}
