// Tests of the CRC-32 checksum and its lower-case variant.
#include "foundation/base/crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct KnownVector {
    std::string input;
    uint32_t crc;
};

// Published check values of CRC-32/ISO-HDLC.
const KnownVector KnownVectors[] = {
    {"", 0x00000000u},
    {"a", 0xE8B7BE43u},
    {"abc", 0x352441C2u},
    {"123456789", 0xCBF43926u},
    {"message digest", 0x20159D7Fu},
    {"abcdefghijklmnopqrstuvwxyz", 0x4C2750BDu},
    {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    {std::string("\0", 1), 0xD202EF8Du},
};

TEST(Crc32, KnownVectors)
{
    for (const KnownVector& v : KnownVectors)
        EXPECT_EQ(Crc32(v.input.data(), v.input.size()), v.crc) << '"' << v.input << '"';
}

TEST(Crc32, NullOrEmptyGivesZero)
{
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    EXPECT_EQ(Crc32(nullptr, 10), 0u);
    EXPECT_EQ(Crc32LowerCase(""), 0u);
    EXPECT_EQ(Crc32LowerCase(nullptr), 0u);
}

// The bulk path folds eight bytes at a time: every length and alignment must
// agree with the plain byte-at-a-time register.
TEST(Crc32, SlicedPathMatchesByteAtATime)
{
    std::vector<uint8_t> bytes(300);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 37 + 11);
    auto reference = [](const uint8_t* p, size_t n) {
        uint32_t reg = 0xFFFFFFFFu;
        for (size_t i = 0; i < n; ++i) {
            reg ^= p[i];
            for (int bit = 0; bit < 8; ++bit)
                reg = (reg & 1) ? (reg >> 1) ^ 0xEDB88320u : reg >> 1;
        }
        return ~reg;
    };
    for (size_t offset = 0; offset < 9; ++offset) {
        for (size_t length = 0; length + offset <= bytes.size(); length += 7)
            ASSERT_EQ(Crc32(bytes.data() + offset, length), reference(bytes.data() + offset, length))
                << offset << " " << length;
    }
}

TEST(Crc32, UpdateContinuesAChecksum)
{
    std::string text = "123456789";
    uint32_t crc = Crc32Update(0, text.data(), 4);
    crc = Crc32Update(crc, text.data() + 4, 5);
    EXPECT_EQ(crc, 0xCBF43926u);
}

TEST(Crc32LowerCase, FoldsOnlyAsciiLetters)
{
    struct Case {
        const char* text;
        const char* lowered;
    };
    const Case cases[] = {
        {"ABC", "abc"},
        {"abc", "abc"},
        {"Scripts/Core.GS", "scripts/core.gs"},
        {"\xC9t\xC9", "\xC9t\xC9"},  // bytes above 0x7F are kept
        {"@[`{", "@[`{"},
    };
    for (const Case& c : cases) {
        std::string lowered = c.lowered;
        EXPECT_EQ(Crc32LowerCase(c.text), Crc32(lowered.data(), lowered.size())) << c.text;
    }
    EXPECT_EQ(Crc32LowerCase("ABC"), 0x352441C2u);
}

}  // namespace
