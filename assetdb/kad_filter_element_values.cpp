// The filter tree's leaf elements: string, bool, int and timestamp intervals, asset-id sets.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "foundation/streams/t_stream.h"
#include "assetdb/kad_filter_element.h"
#include "zel/string.h"

namespace {

const char* const StringKeyNames[] = {"asset-name", "category-list", "era-list", "keyword-list", "region-list"};

const char* const BoolKeyNames[] = {"local",
                                    "cargo-hub",
                                    "location-unknown",
                                    "locally-available",
                                    "up-to-date",
                                    "obsolete",
                                    "locally-modified",
                                    "valid-name",
                                    "open-for-edit",
                                    "in-archive",
                                    "locally-enabled",
                                    "has-missing-dependencies",
                                    "has-faulty-dependencies",
                                    "faulty",
                                    "from-hueshop",
                                    "builtin",
                                    "listing-privilege",
                                    "warnings",
                                    "has-script-source"};

const char* const IntKeyNames[] = {"local-rating", "author", "version"};
const char* const TimestampKeyNames[] = {"installation-timestamp", "modification-timestamp"};
const char* const AssetIDKeyNames[] = {"asset-id", "profile-map"};

template <size_t N>
Zel::PString KeyName(const char* const (&names)[N], int32_t index)
{
    if (index < 0 || size_t(index) >= N)
        return Zel::PString("unknown");
    return Zel::PString(names[index]);
}

// "[" or "(", the two bounds, "]" or ")".
Zel::PString IntervalText(int32_t lower, int32_t upper, uint8_t lowerInclusive, uint8_t upperInclusive)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s%d,%d%s", lowerInclusive ? "[" : "(", lower, upper, upperInclusive ? "]" : ")");
    return Zel::PString(text);
}

}  // namespace

KADFilterElementString::KADFilterElementString(int32_t keyIndex, const Zel::PString& value)
    : keyIndex_(keyIndex), value_(value)
{
    size_t length = value.Length();
    const char* text = value.c_str();
    if (keyIndex == FilterStringAssetName && length > 1 && text[0] == '"' && text[length - 1] == '"') {
        value_ = Zel::PString(text + 1, length - 2);
        exactMatch_ = 1;
    }
}

Zel::PString KADFilterElementString::GetKeyName() const
{
    return KeyName(StringKeyNames, keyIndex_);
}

void KADFilterElementString::Write(TStream& stream) const
{
    stream.WriteInt32(keyIndex_);
    stream.WritePString(value_);
    stream.WriteUInt8(exactMatch_);
}

bool KADFilterElementString::Read(TStream& stream)
{
    keyIndex_ = stream.ReadInt32(0);
    value_ = stream.ReadPString();
    exactMatch_ = stream.ReadUInt8(0);
    return true;
}

Zel::PString KADFilterElementBool::GetKeyName() const
{
    return KeyName(BoolKeyNames, keyIndex_);
}

Zel::PString KADFilterElementBool::GetValueText() const
{
    return Zel::PString("true");
}

void KADFilterElementBool::Write(TStream& stream) const
{
    stream.WriteInt32(keyIndex_);
}

bool KADFilterElementBool::Read(TStream& stream)
{
    keyIndex_ = stream.ReadInt32(0);
    return true;
}

template <class Value>
Zel::PString KADFilterElementInterval<Value>::GetValueText() const
{
    return IntervalText(int32_t(uint32_t(uint64_t(lower_))), int32_t(uint32_t(uint64_t(upper_))), lowerInclusive_,
                        upperInclusive_);
}

template <class Value>
void KADFilterElementInterval<Value>::Write(TStream& stream) const
{
    stream.WriteInt32(keyIndex_);
    if constexpr (sizeof(Value) == 4) {
        stream.WriteUInt32(lower_);
        stream.WriteUInt32(upper_);
    } else {
        stream.WriteInt64(lower_);
        stream.WriteInt64(upper_);
    }
    stream.WriteUInt8(lowerInclusive_);
    stream.WriteUInt8(upperInclusive_);
}

template <class Value>
bool KADFilterElementInterval<Value>::Read(TStream& stream)
{
    keyIndex_ = stream.ReadInt32(0);
    if constexpr (sizeof(Value) == 4) {
        lower_ = stream.ReadUInt32(0);
        upper_ = stream.ReadUInt32(0);
    } else {
        lower_ = stream.ReadInt64(0);
        upper_ = stream.ReadInt64(0);
    }
    lowerInclusive_ = stream.ReadUInt8(0);
    upperInclusive_ = stream.ReadUInt8(0);
    return true;
}

template class KADFilterElementInterval<uint32_t>;
template class KADFilterElementInterval<int64_t>;

Zel::PString KADFilterElementInt::GetKeyName() const
{
    return KeyName(IntKeyNames, keyIndex_);
}

Zel::PString KADFilterElementTimestamp::GetKeyName() const
{
    return KeyName(TimestampKeyNames, keyIndex_);
}

Zel::PString KADFilterElementAssetID::GetKeyName() const
{
    return KeyName(AssetIDKeyNames, keyIndex_);
}

Zel::PString KADFilterElementAssetID::GetValueText() const
{
    Zel::String text("(");
    for (const KUID& id : ids_) {
        text += id.ToTagString().c_str();
        text += ",";
    }
    text += ")";
    return Zel::PString(text.c_str());
}

void KADFilterElementAssetID::Write(TStream& stream) const
{
    stream.WriteInt32(keyIndex_);
    stream.WriteInt32(int32_t(ids_.size()));
    for (const KUID& id : ids_)
        stream.WriteKUID(id);
}

bool KADFilterElementAssetID::Read(TStream& stream)
{
    keyIndex_ = stream.ReadInt32(0);
    ids_.clear();
    int32_t count = stream.ReadInt32(0);
    // The count is not trusted: reading stops where the stream runs out.
    for (int32_t i = 0; i < count && !stream.HasError(); ++i) {
        KUID id = stream.ReadKUID();
        if (stream.HasError())
            break;
        ids_.insert(id);
    }
    return true;
}
