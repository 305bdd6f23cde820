// Conversion of a value block from one in-memory type to another through registered converters.
#pragma once

#include <cstdint>
#include <string>

#include "soup/acs_raw_data.h"

// One converter for exactly (from, to). The six converters of the program are
// process-wide constants, searched in a fixed order.
class ACSConverter {
public:
    ACSConverter(int32_t fromType, int32_t toType) : from(fromType), to(toType) {}
    virtual ~ACSConverter() = default;
    // The converted block, or none. `in` is never null here.
    virtual RawDataRef Convert(const RawDataRef& in) const = 0;

    const int32_t from;
    const int32_t to;
};

// Text (up to its first zero byte) that passes the number check, "%d".
class ACSConverter_TextInt : public ACSConverter {
public:
    ACSConverter_TextInt() : ACSConverter(SoupTypeText, SoupTypeInt) {}
    RawDataRef Convert(const RawDataRef& in) const override;
};

// Text that passes the number check, "%f".
class ACSConverter_TextFloat : public ACSConverter {
public:
    ACSConverter_TextFloat() : ACSConverter(SoupTypeText, SoupTypeFloat) {}
    RawDataRef Convert(const RawDataRef& in) const override;
};

// KUID::Parse (lenient), packed; always a block (the null id when no id).
class ACSConverter_TextKUID : public ACSConverter {
public:
    ACSConverter_TextKUID() : ACSConverter(SoupTypeText, SoupTypeKUID) {}
    RawDataRef Convert(const RawDataRef& in) const override;
};

// Every int32 "%d", joined by ","; no zero byte.
class ACSConverter_IntText : public ACSConverter {
public:
    ACSConverter_IntText() : ACSConverter(SoupTypeInt, SoupTypeText) {}
    RawDataRef Convert(const RawDataRef& in) const override;
};

// Every float "%g", joined by ","; no zero byte.
class ACSConverter_FloatText : public ACSConverter {
public:
    ACSConverter_FloatText() : ACSConverter(SoupTypeFloat, SoupTypeText) {}
    RawDataRef Convert(const RawDataRef& in) const override;
};

// KUID::ToTagString of the first 8 bytes, with its zero byte.
class ACSConverter_KUIDText : public ACSConverter {
public:
    ACSConverter_KUIDText() : ACSConverter(SoupTypeKUID, SoupTypeText) {}
    RawDataRef Convert(const RawDataRef& in) const override;
};

// The block converted from one type to another: the block itself for equal
// types; a direct converter; else a chain of two through an intermediate
// type; else none (raw bytes and type 5 convert to nothing).
RawDataRef ConvertDataBlock(int32_t fromType, const RawDataRef& in, int32_t toType);

// The text that ConvertDataBlock gives for a value of a type other than text,
// appended to out without a zero byte: ints "%d" and floats "%g" joined by
// ",", an asset id in its tag form. False (nothing appended) when the value
// has no text: a block too short, or a type without a converter to text.
bool AppendValueText(int32_t type, const uint8_t* data, int32_t size, std::string& out);
