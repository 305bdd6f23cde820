// The six value converters and the conversion of a block between in-memory types.
#include "soup/acs_converter.h"
#include "soup/soup_words.h"

#include <bit>
#include <cstring>
#include <string>

#include "kuid/decimal_scan.h"
#include "kuid/kuid.h"
#include "soup/number_text.h"

namespace {

// Text given to a converter ends at its first zero byte or at the block's end.
size_t TextLength(const RawDataRef& in)
{
    const void* zero = std::memchr(in->Data(), 0, size_t(in->Size()));
    if (zero == nullptr)
        return size_t(in->Size());
    return size_t(static_cast<const uint8_t*>(zero) - in->Data());
}

const char* TextOf(const RawDataRef& in)
{
    return reinterpret_cast<const char*>(in->Data());
}

RawDataRef TextBlock(const std::string& text, bool withZero)
{
    return ACSRawDataCore::Copy(text.c_str(), int32_t(text.size() + (withZero ? 1 : 0)));
}

// The process-wide list in search order (the last converter made comes
// first). Function-local, so a lookup from another file's start-up code
// never meets it unbuilt.
struct ConverterList {
    ACSConverter_TextInt textInt;
    ACSConverter_TextFloat textFloat;
    ACSConverter_TextKUID textKUID;
    ACSConverter_IntText intText;
    ACSConverter_FloatText floatText;
    ACSConverter_KUIDText kuidText;
    const ACSConverter* order[6] = {&kuidText, &floatText, &intText, &textKUID, &textFloat, &textInt};
};

const ConverterList& Converters()
{
    static const ConverterList list;
    return list;
}

const ACSConverter* FindConverter(int32_t from, int32_t to)
{
    for (const ACSConverter* converter : Converters().order) {
        if (converter->from == from && converter->to == to)
            return converter;
    }
    return nullptr;
}

}  // namespace

RawDataRef ACSConverter_TextInt::Convert(const RawDataRef& in) const
{
    const size_t length = TextLength(in);
    if (!SoupNumberText::PassesNumberCheck(TextOf(in), length))
        return nullptr;
    // A text that passes the check but has no digit to scan (".5", ".") is 0.
    int32_t value = 0;
    const char* cursor = TextOf(in);
    ScanDecimalInt32(cursor, cursor + length, value);
    uint8_t bytes[4];
    StoreSoupWord(bytes, uint32_t(value));
    return ACSRawDataCore::Copy(bytes, 4);
}

RawDataRef ACSConverter_TextFloat::Convert(const RawDataRef& in) const
{
    const size_t length = TextLength(in);
    if (!SoupNumberText::PassesNumberCheck(TextOf(in), length))
        return nullptr;
    float value = 0.0f;
    SoupNumberText::ScanFloat(TextOf(in), length, value);
    return ACSRawDataCore::Copy(&value, 4);
}

RawDataRef ACSConverter_TextKUID::Convert(const RawDataRef& in) const
{
    const std::string text(TextOf(in), TextLength(in));
    const KUID::Packed packed = KUID::Parse(text.c_str(), false).Pack();
    uint8_t bytes[8];
    StoreSoupWord(bytes, packed.first);
    StoreSoupWord(bytes + 4, packed.second);
    return ACSRawDataCore::Copy(bytes, 8);
}

bool AppendValueText(int32_t type, const uint8_t* data, int32_t size, std::string& out)
{
    const int32_t count = size / 4;
    switch (type) {
    case SoupTypeInt:
        if (count < 1)
            return false;
        for (int32_t i = 0; i < count; ++i) {
            if (i > 0)
                out += ',';
            SoupNumberText::AppendInt32(out, int32_t(LoadSoupWord(data + 4 * i)));
        }
        return true;
    case SoupTypeFloat:
        if (count < 1)
            return false;
        for (int32_t i = 0; i < count; ++i) {
            if (i > 0)
                out += ',';
            SoupNumberText::AppendFloatG(out, std::bit_cast<float>(LoadSoupWord(data + 4 * i)));
        }
        return true;
    case SoupTypeKUID: {
        // A block shorter than an id (a 4-byte file value) holds no id.
        if (size < 8)
            return false;
        char text[KUID::TextCapacity];
        const int length = KUID::Unpack(LoadSoupWord(data), LoadSoupWord(data + 4)).FormatTagString(text);
        out.append(text, size_t(length));
        return true;
    }
    default:
        return false;
    }
}

namespace {

RawDataRef ValueTextBlock(int32_t type, const RawDataRef& in, bool withZero)
{
    std::string text;
    if (!AppendValueText(type, in->Data(), in->Size(), text))
        return nullptr;
    return TextBlock(text, withZero);
}

}  // namespace

RawDataRef ACSConverter_IntText::Convert(const RawDataRef& in) const
{
    return ValueTextBlock(SoupTypeInt, in, false);
}

RawDataRef ACSConverter_FloatText::Convert(const RawDataRef& in) const
{
    return ValueTextBlock(SoupTypeFloat, in, false);
}

RawDataRef ACSConverter_KUIDText::Convert(const RawDataRef& in) const
{
    return ValueTextBlock(SoupTypeKUID, in, true);
}

RawDataRef ConvertDataBlock(int32_t fromType, const RawDataRef& in, int32_t toType)
{
    if (fromType == toType)
        return in;
    if (fromType == SoupTypeNone || !in)
        return nullptr;
    if (const ACSConverter* direct = FindConverter(fromType, toType))
        return direct->Convert(in);
    for (const ACSConverter* first : Converters().order) {
        if (first->from != fromType)
            continue;
        const ACSConverter* second = FindConverter(first->to, toType);
        if (second == nullptr)
            continue;
        RawDataRef middle = first->Convert(in);
        if (!middle)
            return nullptr;
        return second->Convert(middle);
    }
    return nullptr;
}
