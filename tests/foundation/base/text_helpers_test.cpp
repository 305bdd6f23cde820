// Tests of the code-list append and the small string and value helpers.
#include "foundation/base/text_helpers.h"

#include <gtest/gtest.h>

namespace {

TEST(AppendListEntry, Table)
{
    struct Case {
        const char* text;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"CMP;MESH", "", "CMP"}, {"CMP;MESH", "TEX", "TEX;CMP"},
        {"CMP|MESH", "", "CMP"}, {"CMP", "A;B", "A;B;CMP"},
        {"", "TEX", "TEX"},      {";CMP", "", ""},
        {"|CMP", "TEX", "TEX"},  {"a b;c", "", "a b"},
    };
    for (const Case& c : cases) {
        Zel::AnsiString out(c.before);
        AppendListEntry(c.text, out);
        EXPECT_EQ(std::string(out.c_str()), c.after) << c.text << " / " << c.before;
    }
    Zel::AnsiString out("x");
    AppendListEntry(nullptr, out);
    EXPECT_EQ(std::string(out.c_str()), "x");
}

TEST(StringHelpers, BuildAndCopy)
{
    EXPECT_EQ(std::string(StringFromText("abc").c_str()), "abc");
    EXPECT_EQ(std::string(StringFromText(nullptr).c_str()), "");
    Zel::String original("text");
    Zel::String copy = CopyString(original);
    original.Add("!");
    EXPECT_EQ(std::string(copy.c_str()), "text");
}

TEST(PStringPair, ReleaseNullsBoth)
{
    PStringPair pair(Zel::PString("name"), Zel::PString("value"));
    ReleasePStringPair(pair);
    EXPECT_TRUE(pair.first.IsNull());
    EXPECT_TRUE(pair.second.IsNull());
}

TEST(ValueHelpers, PassThroughAndSqrt)
{
    EXPECT_FLOAT_EQ(SqrtF(16.0f), 4.0f);
    EXPECT_EQ(ByteCodeInt32(-7), -7);
    EXPECT_FLOAT_EQ(ByteCodeFloat(2.5f), 2.5f);
}

}  // namespace
