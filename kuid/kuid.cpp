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

bool KUID::FitsPackedForm() const
{
    if (uint32_t(version) > 127)
        return false;
    if (user >= 0)
        return user < int32_t(UserSignBit) || (user <= int32_t(UserMask) && version != 127);
    return user >= -int32_t(UserSignBit) && version == 127;
}

void KUID::Pack(uint32_t& first, uint32_t& second) const
{
    // Packed as it is, such an id would read back as another asset's.
    const KUID& id = FitsPackedForm() ? *this : NullKUID;
    first = (uint32_t(id.version) << 25) | (uint32_t(id.user) & UserMask);
    second = uint32_t(id.content);
}

KUID::Packed KUID::Pack() const
{
    Packed packed;
    Pack(packed.first, packed.second);
    return packed;
}

KUID KUID::Unpack(uint32_t first, uint32_t second)
{
    const uint32_t version = first >> 25;
    uint32_t userBits = first & UserMask;
    if (version == 127 && (userBits & UserSignBit) != 0)
        userBits |= UserHighBits;
    return KUID(int32_t(userBits), int32_t(second), int32_t(version));
}

KUID KUID::Unpack(const Packed& packed)
{
    return Unpack(packed.first, packed.second);
}
