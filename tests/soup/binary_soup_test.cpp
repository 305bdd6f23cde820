// The "ACS$" binary form: hand-written fixtures, the lenient loader, and changes to a loaded soup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "soup/binary_soup.h"
#include "soup/soup_handle.h"
#include "soup_test_support.h"

namespace {

using namespace SoupTest;

const std::string kIntFive = U32(5);

// a = 5 (int), b { c = "x" }, written by hand.
std::string SmallFixtureBody()
{
    return Entry("a", 1, kIntFive) + Entry("b", 0, Entry("c", 3, std::string("x\0", 2)));
}

TEST(BinarySoup, WriterProducesTheExactBytes)
{
    SoupHandle soup;
    soup.SetNamedTagInt(Zel::PString("a"), 5);
    SoupHandle b;
    b.SetNamedTag(Zel::PString("c"), "x");
    soup.SetNamedSoup(Zel::PString("b"), b);
    const std::string expected = File(SmallFixtureBody());
    ASSERT_EQ(expected.size(), 16u + 30u);
    EXPECT_EQ(WriteBinary(soup), expected);
}

TEST(BinarySoup, ANullHandleWritesTheEmptyHeader)
{
    EXPECT_EQ(WriteBinary(SoupHandle()), Header(1, 0));
}

TEST(BinarySoup, ReaderDecodesTheFixture)
{
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(SmallFixtureBody()), soup));
    EXPECT_EQ(soup.CountTags(), 2);
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("a"), 0), 5);
    SoupHandle b = soup.GetNamedSoup(Zel::PString("b"));
    EXPECT_STREQ(b.GetNamedTag(Zel::PString("c")).c_str(), "x");
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"a", "b"}));
}

TEST(BinarySoup, FileTypesDecodeToTheirInMemoryTypes)
{
    const std::string body = Entry("i", 1, U32(7)) + Entry("f", 2, U32(0x3F000000)) +
                             Entry("t", 3, std::string("hi\0", 3)) + Entry("r", 4, "raw") + Entry("n", 5, "") +
                             Entry("k", 13, U32(5) + U32(100)) + Entry("u", 9, "xyz");
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(body), soup));
    const struct {
        const char* name;
        int32_t type;
    } expected[] = {{"i", SoupTypeInt},  {"f", SoupTypeFloat}, {"t", SoupTypeText}, {"r", SoupTypeRaw},
                    {"n", SoupTypeNone}, {"k", SoupTypeKUID},  {"u", SoupTypeNone}};
    for (const auto& e : expected)
        EXPECT_EQ(soup.Root()->GetNamedTag(Zel::PString(e.name))->GetType(), e.type) << e.name;
    EXPECT_FLOAT_EQ(soup.GetNamedTagAsFloat(Zel::PString("f"), 0), 0.5f);
    EXPECT_EQ(soup.GetNamedTagAsKUID(Zel::PString("k"), NullKUID), KUID(5, 100, 0));
    EXPECT_EQ(soup.CountTags(), 7);
}

TEST(BinarySoup, AlignedRawStartsAtASixteenByteBoundaryOfTheBody)
{
    // The payload of the first entry starts at body offset 8 (8 bytes of
    // padding); the second one's at 31 (1 byte of padding, all it has).
    const std::string payload = std::string(8, '.') + "ALIGNED";
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(Entry("x", 12, payload) + Entry("y", 12, ".")), soup));
    RawDataRef bytes = soup.GetNamedTagBlock(Zel::PString("x"));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes->Data()), size_t(bytes->Size())), "ALIGNED");
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes->Data()) % 16, 0u);
    // Padding beyond the payload leaves no bytes.
    EXPECT_FALSE(soup.GetNamedTagBlock(Zel::PString("y")));
    EXPECT_EQ(soup.GetNamedTagType(Zel::PString("y")), SoupTypeRaw);
}

TEST(BinarySoup, LookupsAreCaseSensitive)
{
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(Entry("Name", 1, kIntFive)), soup));
    EXPECT_FALSE(soup.HasNamedTag(Zel::PString("name")));
    EXPECT_TRUE(soup.HasNamedTag(Zel::PString("Name")));
}

TEST(BinarySoup, NamesOfUpTo254BytesAreWritten)
{
    SoupHandle soup;
    soup.SetNamedTagInt(Zel::PString(std::string(254, 'n')), 1);
    soup.SetNamedTagInt(Zel::PString(std::string(255, 'm')), 2);
    SoupHandle back;
    ASSERT_TRUE(ReadBinary(WriteBinary(soup), back));
    EXPECT_EQ(back.CountTags(), 1);
    EXPECT_EQ(back.GetNamedTagAsInt(Zel::PString(std::string(254, 'n')), 0), 1);
}

TEST(BinarySoup, AnEmptyNameHasLengthZeroAndNoZeroByte)
{
    SoupHandle soup;
    soup.SetNamedTagInt(Zel::PString(""), 3);
    EXPECT_EQ(WriteBinary(soup), File(U32(6) + std::string(1, '\0') + "\x01" + U32(3)));
}

TEST(BinarySoup, VersionZeroTextsAreConvertedFromTheAnsiCodePage)
{
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(Entry("t", 3, std::string("\xE9\0", 2)) + Entry("p", 3, "plain"), 0), soup));
    RawDataRef bytes = soup.GetNamedTagBlock(Zel::PString("t"));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes->Data()), size_t(bytes->Size())),
              std::string("\xC3\xA9\0\0", 4));
    bytes = soup.GetNamedTagBlock(Zel::PString("p"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes->Data()), size_t(bytes->Size())),
              std::string("plain\0", 6));
    // A version-1 file keeps its bytes.
    ASSERT_TRUE(ReadBinary(File(Entry("t", 3, std::string("\xE9\0", 2)), 1), soup));
    EXPECT_EQ(soup.GetNamedTagBlock(Zel::PString("t"))->Size(), 2);
}

TEST(BinarySoup, SettingAConvertedVersionZeroTextReplacesIt)
{
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(Entry("t", 3, std::string("\xE9\0", 2)), 0), soup));
    soup.SetNamedTag(Zel::PString("t"), "new");
    EXPECT_EQ(soup.CountTags(), 1);
    EXPECT_STREQ(soup.GetNamedTag(Zel::PString("t")).c_str(), "new");
    // And the decoded chunk itself can be removed by its identity.
    ASSERT_TRUE(ReadBinary(File(Entry("t", 3, std::string("\xE9\0", 2)), 0), soup));
    soup.Root()->RemoveTag(soup.Root()->GetNamedTag(Zel::PString("t")));
    EXPECT_EQ(soup.CountTags(), 0);
}

struct LoadCase {
    const char* what;
    std::string bytes;
    bool result;
    int32_t count;
};

TEST(BinarySoup, DamagedInputGivesAClearResult)
{
    const std::string body = SmallFixtureBody();
    std::string overrun = body;
    overrun[30 - 14 - 4] = char(0x7F);  // b's size now runs past the body
    std::string nested = Entry("x", 0, Entry("y", 0, Entry("z", 1, kIntFive)));
    const LoadCase cases[] = {
        {"good", File(body), true, 2},
        {"wrong magic", "ACS#" + U32(1) + U32(0) + U32(uint32_t(body.size())) + body, false, 0},
        {"empty stream", "", false, 0},
        {"truncated header", std::string("ACS$\x01\0\0\0", 8), true, 0},
        {"body length zero", Header(1, 0), true, 0},
        {"body past the stream", Header(1, uint32_t(body.size() + 1)) + body, false, 0},
        {"body length near 2^31", Header(1, 0x7FFFFFFF) + body, false, 0},
        {"negative body length", Header(1, 0x80000000u) + body, false, 0},
        {"all ones body length", Header(1, 0xFFFFFFFFu) + body, false, 0},
        {"last entry overruns the body", File(overrun), true, 0},
        {"version 2", File(body, 2), true, 0},
        {"version 0", File(body, 0), true, 2},
        {"trailing five bytes", File(body + "12345"), true, 2},
        {"trailing six bytes", File(body + "123456"), true, 0},
        {"entry size below N + 2",
         File(U32(1) + std::string("\x02"
                                   "a\0\x01",
                                   4)),
         true, 0},
        {"entry size near 2^32",
         File(U32(0xFFFFFFF0u) + std::string("\x02"
                                             "a\0\x01",
                                             4)),
         true, 0},
        {"name length past the body",
         File(U32(300) + std::string("\xFF"
                                     "abc",
                                     4)),
         true, 0},
        {"name without its zero",
         File(U32(4) + std::string("\x02"
                                   "ab\x01",
                                   4)),
         true, 1},
        {"NUL bytes everywhere", File(std::string(64, '\0')), true, 0},
        {"nested containers", File(nested), true, 1},
    };
    for (const LoadCase& c : cases) {
        SoupHandle soup;
        soup.SetNamedTagInt(Zel::PString("stale"), 1);
        EXPECT_EQ(ReadBinary(c.bytes, soup), c.result) << c.what;
        EXPECT_EQ(soup.CountTags(), c.count) << c.what;
    }
}

TEST(BinarySoup, NameWithoutItsZeroIsComparedWithinItsLength)
{
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(U32(4) + std::string("\x02"
                                                     "ab\x01",
                                                     4)),
                           soup));
    EXPECT_STREQ(soup.GetIndexedTagName(0).c_str(), "ab");
    EXPECT_EQ(soup.GetNamedTagType(Zel::PString("ab")), SoupTypeInt);
}

std::string NestedContainers(int depth)
{
    std::string inner = Entry("v", 1, kIntFive);
    for (int i = 0; i < depth; ++i)
        inner = Entry("c", 0, inner);
    return File(inner);
}

TEST(BinarySoup, NestingDeeperThanTheLimitLoadsEmpty)
{
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(NestedContainers(1000), soup));
    EXPECT_EQ(soup.CountTags(), 1);
    ASSERT_TRUE(ReadBinary(NestedContainers(1001), soup));
    EXPECT_EQ(soup.CountTags(), 0);
}

TEST(BinarySoup, SettingAnExistingTagKeepsTheCount)
{
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(SmallFixtureBody()), soup));
    soup.SetNamedTagInt(Zel::PString("a"), 9);
    EXPECT_EQ(soup.CountTags(), 2);
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("a"), 0), 9);
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"b", "a"}));
    // Set again: the added tag is replaced, not duplicated.
    soup.SetNamedTagInt(Zel::PString("a"), 10);
    EXPECT_EQ(soup.CountTags(), 2);
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("a"), 0), 10);
}

TEST(BinarySoup, AddAndRemoveInALoadedSoup)
{
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(SmallFixtureBody()), soup));
    soup.SetNamedTag(Zel::PString("new"), "value");
    EXPECT_EQ(soup.CountTags(), 3);
    soup.RemoveNamedTag(Zel::PString("a"));
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"b", "new"}));
    soup.RemoveNamedTag(Zel::PString("new"));
    soup.RemoveNamedTag(Zel::PString("missing"));
    EXPECT_EQ(TagNames(soup), (std::vector<std::string>{"b"}));
    // The changed soup writes what it now holds.
    SoupHandle back;
    ASSERT_TRUE(ReadBinary(WriteBinary(soup), back));
    EXPECT_EQ(TagNames(back), (std::vector<std::string>{"b"}));
    EXPECT_STREQ(back.GetNamedSoup(Zel::PString("b")).GetNamedTag(Zel::PString("c")).c_str(), "x");
}

TEST(BinarySoup, NestedChangesThroughTwoHandles)
{
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(SmallFixtureBody()), soup));
    SoupHandle first = soup.GetNamedSoup(Zel::PString("b"));
    SoupHandle second = soup.GetNamedSoup(Zel::PString("b"));
    EXPECT_EQ(second.CountTags(), 1);
    first.SetNamedTagInt(Zel::PString("d"), 4);
    first.SetNamedTag(Zel::PString("c"), "y");
    EXPECT_EQ(second.CountTags(), 2);
    EXPECT_EQ(second.GetNamedTagAsInt(Zel::PString("d"), 0), 4);
    EXPECT_STREQ(second.GetNamedTag(Zel::PString("c")).c_str(), "y");
    EXPECT_EQ(soup.GetNamedSoup(Zel::PString("b")).CountTags(), 2);
    // An in-memory soup stored in a loaded one stays shared.
    SoupHandle added;
    soup.SetNamedSoup(Zel::PString("mem"), added);
    added.SetNamedTagInt(Zel::PString("z"), 26);
    EXPECT_EQ(soup.GetNamedSoup(Zel::PString("mem")).GetNamedTagAsInt(Zel::PString("z"), 0), 26);
    const std::string text = WriteText(soup);
    EXPECT_NE(text.find("z"), std::string::npos);
}

TEST(BinarySoup, DuplicateNamesFromAFileLoseOnlyTheFirstOnSet)
{
    SoupHandle soup;
    ASSERT_TRUE(ReadBinary(File(Entry("a", 1, U32(1)) + Entry("a", 1, U32(2))), soup));
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("a"), 0), 1);
    soup.SetNamedTagInt(Zel::PString("a"), 3);
    EXPECT_EQ(soup.CountTags(), 2);
    EXPECT_EQ(soup.GetNamedTagAsInt(Zel::PString("a"), 0), 2);
}

TEST(BinarySoup, ChunksKeepTheFileAlive)
{
    ChunkRef kept;
    {
        SoupHandle soup;
        ASSERT_TRUE(ReadBinary(File(SmallFixtureBody()), soup));
        kept = soup.Root()->GetNamedTag(Zel::PString("b"));
    }
    EXPECT_EQ(SoupHandle::FromChunk(kept).GetNamedTag(Zel::PString("c")), Zel::PString("x"));
}

}  // namespace
