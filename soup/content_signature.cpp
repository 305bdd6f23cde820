// The content signature (dsid): word checksum over file bytes, its combination over a files tree, the text form.
#include "soup/content_signature.h"

#include <cstdio>
#include <cstring>

#include "soup/archive_names.h"
#include "soup/soup_handle.h"

namespace {

inline uint32_t LoadWord(const uint8_t* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

inline uint32_t Step(uint32_t sum, uint32_t word)
{
    sum += word;
    return (sum >> 30) | (sum << 1);
}

}  // namespace

Dsid Dsid::Compute(const void* bytes, size_t count)
{
    Dsid result;
    if (bytes == nullptr || count <= 4)
        return result;
    const uint8_t* at = static_cast<const uint8_t*>(bytes);
    const size_t words = count / 4;
    uint32_t sum = 0;
    size_t i = 0;
    // Four words per pass so the loads run ahead of the one dependent chain.
    for (; i + 4 <= words; i += 4, at += 16) {
        sum = Step(sum, LoadWord(at));
        sum = Step(sum, LoadWord(at + 4));
        sum = Step(sum, LoadWord(at + 8));
        sum = Step(sum, LoadWord(at + 12));
    }
    for (; i < words; ++i, at += 4)
        sum = Step(sum, LoadWord(at));
    result.checksum = sum == 0 ? 1 : sum;
    result.length = uint32_t(count & ~size_t(3));
    return result;
}

Dsid Dsid::Combine(const Dsid& a, const Dsid& b)
{
    Dsid result;
    result.length = a.length + b.length;
    result.checksum = a.checksum + b.checksum;
    // Only a wrap-around makes 0 here; two empty signatures stay empty.
    if (result.checksum == 0 && (a.checksum != 0 || b.checksum != 0))
        result.checksum = 1;
    return result;
}

Zel::PString Dsid::Format() const
{
    char text[32];
    snprintf(text, sizeof(text), "%d:%d", int32_t(length), int32_t(checksum));
    return Zel::PString(text);
}

Dsid ComputeFilesDsid(const SoupHandle& container)
{
    Dsid total;
    const int32_t count = container.CountTags();
    for (int32_t index = 0; index < count; ++index) {
        const Zel::PString name = container.GetIndexedTagName(index);
        const int32_t type = container.GetNamedTagType(name);
        if (type == SoupTypeContainer) {
            total = Dsid::Combine(total, ComputeFilesDsid(container.GetNamedSoup(name)));
        } else if (type == SoupTypeRaw) {
            const RawDataRef block = container.GetNamedTagBlock(name);
            total = Dsid::Combine(total, Dsid::Compute(BlockData(block), size_t(BlockSize(block))));
        }
    }
    return total;
}

Dsid ComputeAssetDsid(const SoupHandle& entry)
{
    return ComputeFilesDsid(entry.GetNamedSoup(ArchiveNames().files));
}

void StoreAssetDsid(SoupHandle& entry)
{
    entry.SetNamedTag(ArchiveNames().dsid, ComputeAssetDsid(entry).Format());
}

bool VerifyAssetDsid(const SoupHandle& entry)
{
    const Zel::PString stored = entry.GetNamedTag(ArchiveNames().dsid);
    const Zel::PString computed = ComputeAssetDsid(entry).Format();
    return stored.View() == computed.View();
}
