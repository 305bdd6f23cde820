// Tests of KUID: range rule, packed form, text forms out, the parser in, the stream form.
#include "kuid/kuid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kuid/decimal_scan.h"

namespace {

std::string Tag(const KUID& id)
{
    return id.ToTagString().c_str();
}

// A minimal stream with the two calls the KUID stream form needs.
struct WordStream {
    std::vector<int32_t> words;
    size_t next = 0;
    void WriteInt32(int32_t value) { words.push_back(value); }
    int32_t ReadInt32(int32_t fallback) { return next < words.size() ? words[next++] : fallback; }
};

TEST(KUID, DefaultIsTheNullId)
{
    EXPECT_EQ(KUID(), NullKUID);
    EXPECT_TRUE(KUID().IsNull());
    EXPECT_EQ(NullKUID, KUID(-1, -1, 127));
    EXPECT_NE(KUID(0, 0, 0), NullKUID);
}

TEST(KUID, RangeRule)
{
    struct Case {
        KUID id;
        bool valid;
    };
    const Case cases[] = {
        {{0, 0, 0}, true},
        {{0x1FFFFFF, 5, 127}, true},
        {{0x2000000, 5, 0}, false},
        {{-1, 5, 127}, true},
        {{-0x2000000, 5, 127}, true},
        {{-0x2000001, 5, 127}, false},
        {{-3, 5, 0}, false},
        {{5, 5, 128}, false},
        {{5, 5, -1}, false},
        {{INT32_MIN, 0, 127}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.id.IsValid(), c.valid) << c.id.user << ":" << c.id.content << ":" << c.id.version;
}

TEST(KUID, PackAndUnpack)
{
    struct Case {
        KUID id;
        uint32_t first;
        uint32_t second;
    };
    const Case cases[] = {
        {{-1, 7, 127}, 0xFFFFFFFFu, 7u},         {{-1, -1, 127}, 0xFFFFFFFFu, 0xFFFFFFFFu},
        {{5, 100, 3}, (3u << 25) | 5u, 100u},    {{0xFFFFFF, 0, 0}, 0xFFFFFFu, 0u},
        {{-0x1000000, 1, 127}, 0xFF000000u, 1u},
    };
    for (const Case& c : cases) {
        uint32_t first = 0, second = 0;
        c.id.Pack(first, second);
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(second, c.second);
        KUID::Packed packed = c.id.Pack();
        EXPECT_EQ(packed.first, c.first);
        EXPECT_EQ(packed.second, c.second);
        EXPECT_EQ(KUID::Unpack(first, second), c.id);
        EXPECT_EQ(KUID::Unpack(packed), c.id);
    }
    // Bit 24 is a sign only under version 127, the one version of a
    // negative user: under any other it belongs to the user number.
    EXPECT_EQ(KUID::Unpack(0x01000000u, 9u), KUID(0x1000000, 9, 0));
    EXPECT_EQ(KUID::Unpack(0xFF000000u, 9u), KUID(-0x1000000, 9, 127));
    EXPECT_EQ(KUID::Unpack(0xFDFFFFFFu, 9u), KUID(0x1FFFFFF, 9, 126));
}

// Every id the packed form holds comes back exactly, in every version its
// user may have.
TEST(KUID, PackedFormKeepsBoundaryUsersInEveryAllowedVersion)
{
    for (int32_t user : {0, 1, 0xFFFFFF, 0x1000000, 0x1FFFFFF, -1, -0x1000000}) {
        for (int32_t version = 0; version <= 127; ++version) {
            const KUID id(user, 77, version);
            if (!id.IsValid())
                continue;
            const bool fits = user < 0x1000000 || version != 127;
            EXPECT_EQ(id.FitsPackedForm(), fits) << Tag(id);
            EXPECT_EQ(KUID::Unpack(id.Pack()), fits ? id : NullKUID) << Tag(id);
            EXPECT_EQ(KUID::Parse(id.ToTagString().c_str(), true), fits ? id : NullKUID) << Tag(id);
        }
    }
}

// Each first word names one id, which packs to that word again: no two ids
// share a stored form, and no stored form reads as an id outside the range.
TEST(KUID, EveryPackedWordIsOneIdThatPacksBackToIt)
{
    for (uint32_t version = 0; version <= 127; ++version) {
        for (uint32_t userBits : {0u, 1u, 0xFFFFFFu, 0x1000000u, 0x1000001u, 0x1FFFFFFu}) {
            const uint32_t first = (version << 25) | userBits;
            const KUID id = KUID::Unpack(first, 5u);
            EXPECT_TRUE(id.IsValid() && id.FitsPackedForm()) << std::hex << first;
            EXPECT_EQ(id.Pack().first, first) << std::hex << first;
        }
    }
}

// Ids of the range rule that 25 bits cannot hold, and ids outside the rule,
// pack as the null id instead of as another asset's id.
TEST(KUID, IdsThePackedFormCannotHoldPackAsTheNullId)
{
    const KUID ids[] = {
        {0x1000000, 1, 127}, {0x1FFFFFF, 1, 127}, {-0x1000001, 1, 127}, {-0x2000000, 1, 127},
        {0x2000005, 1, 0},   {-3, 1, 0},          {5, 1, 128},          {5, 1, -1},
    };
    for (const KUID& id : ids) {
        EXPECT_FALSE(id.FitsPackedForm()) << Tag(id);
        const KUID::Packed packed = id.Pack();
        EXPECT_EQ(packed.first, 0xFFFFFFFFu) << Tag(id);
        EXPECT_EQ(packed.second, 0xFFFFFFFFu) << Tag(id);
        WordStream stream;
        id.WriteToBuffer(stream);
        EXPECT_EQ(KUID::ReadFromBuffer(stream), NullKUID) << Tag(id);
    }
}

TEST(KUID, TextFormsOut)
{
    struct Case {
        KUID id;
        const char* tag;
        const char* tagNoVersion;
        const char* colon;
        const char* keyword;
    };
    const Case cases[] = {
        {{5, 100, 0}, "<kuid:5:100>", "<kuid:5:100>", "5:100", "kuid 5 100"},
        {{-3, 100, 127}, "<kuid:-3:100>", "<kuid:-3:100>", "-3:100", "kuid -3 100"},
        {{5, 100, 3}, "<kuid2:5:100:3>", "<kuid:5:100>", "5:100:3", "kuid2 5 100 3"},
        {{-3, 100, 0}, "<kuid2:-3:100:0>", "<kuid:-3:100>", "-3:100:0", "kuid2 -3 100 0"},
        {{-1, -1, 127}, "<NULL>", "<NULL>", "NULLKUID", "NULLKUID"},
        {{-1, 123, 127}, "<kuid:-1:123>", "<kuid:-1:123>", "-1:123", "kuid -1 123"},
        {{INT32_MIN, INT32_MIN, INT32_MAX},
         "<kuid2:-2147483648:-2147483648:2147483647>",
         "<kuid:-2147483648:-2147483648>",
         "-2147483648:-2147483648:2147483647",
         "kuid2 -2147483648 -2147483648 2147483647"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Tag(c.id), c.tag);
        EXPECT_EQ(std::string(c.id.ToTagStringNoVersion().c_str()), c.tagNoVersion);
        EXPECT_EQ(std::string(c.id.ToColonString().c_str()), c.colon);
        EXPECT_EQ(std::string(c.id.ToKeywordString().c_str()), c.keyword);
        char buffer[KUID::TextCapacity];
        EXPECT_EQ(c.id.FormatTagString(buffer), int(std::string(c.tag).size()));
    }
}

struct ParseCase {
    const char* text;
    KUID strict;
    KUID lenient;
};

const KUID Null = NullKUID;

TEST(KUID, ParseTable)
{
    const ParseCase cases[] = {
        // tag forms
        {"<kuid:5:100>", {5, 100, 0}, {5, 100, 0}},
        {"<KUID:5:100>", {5, 100, 0}, {5, 100, 0}},
        {"<KuId:5:100>trailing", {5, 100, 0}, {5, 100, 0}},
        {"<kuid:-3:100>", {-3, 100, 127}, {-3, 100, 127}},
        {"<kuid2:5:100:3>", {5, 100, 3}, {5, 100, 3}},
        {"<kuid2:-3:100:0>", Null, Null},
        {"<kuid2:-3:100:127>", Null, Null},
        {"<kuid2:5:100:200>", Null, Null},
        {"<kuid:33554432:1>", Null, Null},
        {"<kuid:33554431:1>", {33554431, 1, 0}, {33554431, 1, 0}},
        {"<kuid:-16777216:1>", {-16777216, 1, 127}, {-16777216, 1, 127}},
        {"<kuid:16777216:1>", {16777216, 1, 0}, {16777216, 1, 0}},
        {"<kuid2:33554431:1:126>", {33554431, 1, 126}, {33554431, 1, 126}},
        // in the range rule, but stored they would read as another asset's id
        {"<kuid:-16777217:1>", Null, Null},
        {"<kuid:-33554432:1>", Null, Null},
        {"<kuid2:16777216:1:127>", Null, Null},
        {"kuid2:33554431:1", Null, Null},
        {"<kuid:-33554433:1>", Null, Null},
        {"<kuid2:33554432:1:0>", Null, Null},
        {"<kuid:5:100", Null, {5, 100, 0}},
        {"<kuid: 5:100>", Null, {5, 100, 0}},
        {"<kuid:5:-100>", Null, {5, -100, 0}},
        {"<kuid:5>", Null, {5, -1, 0}},
        {"<kuid::>", Null, Null},
        {"<kuid:>", Null, Null},
        {"<kuid:", Null, Null},
        {"<kuid2:5:100>", Null, {5, 100, 127}},
        {"<kuid2:+5:100:1>", Null, {5, 100, 1}},
        {"<kuid2:5:100:1", Null, {5, 100, 1}},
        {"<kuid:4294967301:1>", {5, 1, 0}, {5, 1, 0}},  // the "%d" scan wraps modulo 2^32
        {"<kuid2:5:-7:1>", Null, {5, -7, 1}},           // the long form takes no sign in strict mode
        // null forms
        {"<NULL>", Null, Null},
        {"<null>", Null, Null},
        {"<Nu", Null, Null},
        {"abcLL>", Null, Null},
        {"<N", Null, Null},
        // bare prefixes
        {"kuid:5:100", {5, 100, 0}, {5, 100, 0}},
        {"KUID:-5:100xyz", {-5, 100, 127}, {-5, 100, 127}},
        {"kuid2:5:100:3", {5, 100, 3}, {5, 100, 3}},
        {"kuid2:5:100", {5, 100, 127}, {5, 100, 127}},
        {"kuid2:-5:100:127", Null, Null},
        {"kuid:x", Null, Null},
        {"kuid:5", Null, {5, -1, 0}},
        // lenient-only forms
        {"5:100", Null, {5, 100, 0}},
        {"-3:100", Null, {-3, 100, 127}},
        {"<5:100>", Null, {5, 100, 0}},
        {"<5:100", Null, {5, 100, 0}},
        {"<5:100>x", Null, Null},
        {"<5>:100", Null, Null},
        {"5:1:2", Null, Null},
        {"123", Null, {-1, 123, 127}},
        {"-", Null, Null},
        {"", Null, Null},
        {"abc", Null, Null},
        {" 5:100", Null, Null},
        {"<", Null, Null},
        {":", Null, Null},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(KUID::Parse(c.text, true), c.strict) << "strict \"" << c.text << '"';
        EXPECT_EQ(KUID::Parse(c.text, false), c.lenient) << "lenient \"" << c.text << '"';
    }
    EXPECT_EQ(KUID::Parse(nullptr, true), Null);
    EXPECT_EQ(KUID::Parse(nullptr, false), Null);
}

TEST(KUID, StrictTagFormsTakeNoSignedContent)
{
    KUID id(5, -7, 0);
    EXPECT_EQ(KUID::Parse(id.ToTagString().c_str(), true), NullKUID);
    EXPECT_EQ(KUID::Parse(id.ToTagString().c_str(), false), id);
}

TEST(KUID, LoneNumberWritesBackInShortForm)
{
    EXPECT_EQ(Tag(KUID::Parse("123", false)), "<kuid:-1:123>");
}

TEST(KUID, EveryTagFormParsesBack)
{
    const KUID ids[] = {
        {0, 0, 0}, {5, 100, 3}, {-3, 100, 127}, {0x1FFFFFF, 7, 126}, {0xFFFFFF, 7, 127}, {-0x1000000, INT32_MAX, 127},
        NullKUID};
    for (const KUID& id : ids) {
        EXPECT_EQ(KUID::Parse(id.ToTagString().c_str(), true), id) << Tag(id);
        EXPECT_EQ(KUID::Parse(id.ToTagString().c_str(), false), id) << Tag(id);
    }
}

TEST(KUID, StreamFormIsContentThenPackedWord)
{
    WordStream stream;
    KUID(5, 100, 3).WriteToBuffer(stream);
    EXPECT_EQ(stream.words, (std::vector<int32_t>{100, (3 << 25) | 5}));
    EXPECT_EQ(KUID::ReadFromBuffer(stream), KUID(5, 100, 3));
    WordStream fixed{{7, 10}};
    EXPECT_EQ(KUID::ReadFromBuffer(fixed), KUID(10, 7, 0));
    WordStream empty;
    EXPECT_EQ(KUID::ReadFromBuffer(empty), NullKUID);
}

TEST(DecimalScan, BehavesLikeThirtyTwoBitPercentD)
{
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
        size_t consumed;
    };
    const Case cases[] = {
        {"42", true, 42, 2},
        {"  -7x", true, -7, 4},
        {"+9", true, 9, 2},
        {"\t\n\v\f\r 1", true, 1, 7},
        {"2147483647", true, INT32_MAX, 10},
        {"2147483648", true, INT32_MIN, 10},
        {"4294967296", true, 0, 10},
        {"-2147483648", true, INT32_MIN, 11},
        {"-", false, 0, 0},
        {"", false, 0, 0},
        {"x1", false, 0, 0},
        {"- 1", false, 0, 0},
    };
    for (const Case& c : cases) {
        const char* cursor = c.text;
        int32_t value = 0;
        EXPECT_EQ(ScanDecimalInt32(cursor, value), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(size_t(cursor - c.text), c.consumed) << c.text;
    }
    const char* text = "12345";
    const char* cursor = text;
    int32_t value = 0;
    EXPECT_TRUE(ScanDecimalInt32(cursor, text + 3, value));
    EXPECT_EQ(value, 123);
}

}  // namespace
