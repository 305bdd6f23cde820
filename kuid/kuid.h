// The asset id: value type, range rule, packed two-word form, text forms and the one parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "zel/pstring.h"
#include "zel/string.h"

// An asset's id: author (user), content number and version. The absence of an
// asset is always the null id (-1, -1, 127), never zeros; a default-made KUID
// is the null id.
class KUID {
public:
    // The two words of the packed form: first = (version << 25) | (user & 0x1FFFFFF),
    // second = content. Soups store (first, second); TBuffer streams store
    // (second, first).
    struct Packed {
        uint32_t first = 0xFFFFFFFFu;
        uint32_t second = 0xFFFFFFFFu;
    };

    // Room for the longest text form and its terminator ("<kuid2:" and three
    // signed 32-bit numbers).
    static constexpr size_t TextCapacity = 48;

    int32_t user = -1;
    int32_t content = -1;
    int32_t version = 127;

    constexpr KUID() = default;
    constexpr KUID(int32_t userNumber, int32_t contentNumber, int32_t versionNumber)
        : user(userNumber), content(contentNumber), version(versionNumber)
    {}

    // Range rule: user 0..0x1FFFFFF with version 0..127, or user
    // -0x2000000..-1 with version exactly 127.
    bool IsValid() const;
    bool IsNull() const;
    // Ids written without their version: version 0 with user >= 0, or
    // version 127 with user < 0.
    bool IsShortForm() const;

    // Ids the packed form holds exactly: user 0..0xFFFFFF with version
    // 0..127, user 0x1000000..0x1FFFFFF with version 0..126, user
    // -0x1000000..-1 with version 127. The 25 user bits cannot hold the whole
    // range rule: bit 24 is the sign of users with version 127 (the only
    // version a negative user has), so the other ids of the range rule would
    // come back as another asset's id.
    bool FitsPackedForm() const;

    // An id that does not fit the packed form packs as the null id.
    void Pack(uint32_t& first, uint32_t& second) const;
    Packed Pack() const;
    // Version is the top seven bits. User is sign-extended from bit 24 only
    // under version 127: with any other version the id cannot be a negative
    // user's, so bit 24 is a user number's.
    static KUID Unpack(uint32_t first, uint32_t second);
    static KUID Unpack(const Packed& packed);

    // "<NULL>", "<kuid:%d:%d>" (short form) or "<kuid2:%d:%d:%d>".
    Zel::PString ToTagString() const;
    // "<NULL>" or always "<kuid:%d:%d>", the version dropped.
    Zel::PString ToTagStringNoVersion() const;
    // "NULLKUID", "%d:%d" (short form) or "%d:%d:%d".
    Zel::String ToColonString() const;
    // "NULLKUID", "kuid %d %d" (short form) or "kuid2 %d %d %d".
    Zel::String ToKeywordString() const;

    // The same texts written into a caller's buffer of at least TextCapacity
    // bytes, zero-terminated; each returns the text length.
    int FormatTagString(char* buffer) const;
    int FormatTagStringNoVersion(char* buffer) const;
    int FormatColonString(char* buffer) const;
    int FormatKeywordString(char* buffer) const;

    // The only reader of the text forms. Strict parsing accepts the tag forms
    // "<kuid:u:c>", "<kuid2:u:c:v>", "<NULL>" and the bare "kuid:"/"kuid2:"
    // prefixes with exact shapes; lenient parsing also takes "u:c", "<u:c>"
    // and a lone content number. Anything else, any id outside the range
    // rule and any id the packed form cannot hold gives the null id. A null
    // text gives the null id.
    static KUID Parse(const char* text, bool strict);

    // Stream form (daemon requests and replies, saved structures): content,
    // then the first packed word, each a little-endian int32. Any stream with
    // WriteInt32/ReadInt32(default) will do; a word the stream cannot supply
    // reads as all ones (the null id's word), and the stream keeps its error.
    template <class Stream>
    void WriteToBuffer(Stream& stream) const
    {
        Packed packed = Pack();
        stream.WriteInt32(int32_t(packed.second));
        stream.WriteInt32(int32_t(packed.first));
    }
    template <class Stream>
    static KUID ReadFromBuffer(Stream& stream)
    {
        uint32_t second = uint32_t(stream.ReadInt32(-1));
        uint32_t first = uint32_t(stream.ReadInt32(-1));
        return Unpack(first, second);
    }

    // All three fields equal; this type has no notion of "the same asset in
    // another version".
    friend constexpr bool operator==(const KUID& a, const KUID& b)
    {
        return a.user == b.user && a.content == b.content && a.version == b.version;
    }
    friend constexpr bool operator!=(const KUID& a, const KUID& b) { return !(a == b); }
    // An order for sets and maps: user, then content, then version.
    friend constexpr bool operator<(const KUID& a, const KUID& b)
    {
        if (a.user != b.user)
            return a.user < b.user;
        if (a.content != b.content)
            return a.content < b.content;
        return a.version < b.version;
    }
};

// The one process-wide null id.
inline constexpr KUID NullKUID{-1, -1, 127};

template <>
struct std::hash<KUID> {
    size_t operator()(const KUID& id) const noexcept
    {
        uint64_t packed =
            (uint64_t(uint32_t(id.user)) << 32) ^ uint32_t(id.content) ^ (uint64_t(uint32_t(id.version)) << 25);
        return std::hash<uint64_t>{}(packed);
    }
};
