// KUID range rule and the packed two-word form.
#include "kuid/kuid.h"

namespace {

constexpr uint32_t UserMask = 0x1FFFFFFu;
constexpr uint32_t UserSignBit = 0x1000000u;
constexpr uint32_t UserHighBits = 0xFE000000u;

}  // namespace

bool KUID::IsValid() const
{
    uint32_t high = uint32_t(user) & UserHighBits;
    if (uint32_t(version) > 127)
        return false;
    if (high == 0)
        return true;
    return high == UserHighBits && version == 127;
}

bool KUID::IsNull() const
{
    return *this == NullKUID;
}

bool KUID::IsShortForm() const
{
    return (version == 0 && user >= 0) || (version == 127 && user < 0);
}

void KUID::Pack(uint32_t& first, uint32_t& second) const
{
    first = (uint32_t(version) << 25) | (uint32_t(user) & UserMask);
    second = uint32_t(content);
}

KUID::Packed KUID::Pack() const
{
    Packed packed;
    Pack(packed.first, packed.second);
    return packed;
}

KUID KUID::Unpack(uint32_t first, uint32_t second)
{
    uint32_t userBits = first & UserMask;
    if ((userBits & UserSignBit) != 0)
        userBits |= UserHighBits;
    return KUID(int32_t(userBits), int32_t(second), int32_t(first >> 25));
}

KUID KUID::Unpack(const Packed& packed)
{
    return Unpack(packed.first, packed.second);
}
