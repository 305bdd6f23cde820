// 128-bit engine type id parsed from and printed as GUID text.
#pragma once

#include <cstdint>
#include <string>

namespace Zel {

class UId {
public:
    UId() = default;
    // Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (hex digits in either case,
    // optional braces). Text that does not parse gives the null id.
    explicit UId(const char* text);

    bool IsNull() const { return high_ == 0 && low_ == 0; }
    // Upper-case GUID text.
    std::string ToString() const;
    static bool Parse(const char* text, UId& out);

    bool operator==(const UId& other) const { return high_ == other.high_ && low_ == other.low_; }
    bool operator!=(const UId& other) const { return !(*this == other); }
    bool operator<(const UId& other) const { return high_ != other.high_ ? high_ < other.high_ : low_ < other.low_; }

private:
    uint64_t high_ = 0;
    uint64_t low_ = 0;
};

}  // namespace Zel
