// SafeFormat: printf's output for well-formed formats, and nothing dangerous for the rest.
#include <cstdio>

#include <gtest/gtest.h>

#include "foundation/base/safe_format.h"

namespace {

template <class... Args>
std::string Printf(const char* format, Args... args)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

TEST(SafeFormat, MatchesPrintfForWellFormedFormats)
{
    EXPECT_EQ(SafeFormat("%s : %d", "name", 42), Printf("%s : %d", "name", 42));
    EXPECT_EQ(SafeFormat("[%5d|%-5d|%05d]", 7, 7, 7), Printf("[%5d|%-5d|%05d]", 7, 7, 7));
    EXPECT_EQ(SafeFormat("%x %X %#x %o", 255, 255, 255, 8), Printf("%x %X %#x %o", 255, 255, 255, 8));
    EXPECT_EQ(SafeFormat("%u", -1), Printf("%u", -1));
    EXPECT_EQ(SafeFormat("%.2f %e %g", 3.14159, 1234.5, 0.5), Printf("%.2f %e %g", 3.14159, 1234.5, 0.5));
    EXPECT_EQ(SafeFormat("%8.3s|%-6s|", "abcdef", "ab"), Printf("%8.3s|%-6s|", "abcdef", "ab"));
    EXPECT_EQ(SafeFormat("%*d|%.*s", 6, 12, 2, "xyz"), Printf("%*d|%.*s", 6, 12, 2, "xyz"));
    EXPECT_EQ(SafeFormat("%c%c", 'o', 'k'), "ok");
    EXPECT_EQ(SafeFormat("%ld %lld %lu %hd", 5L, 6LL, 7UL, 70000), Printf("%ld %lld %lu %hd", 5L, 6LL, 7UL, 70000));
    EXPECT_EQ(SafeFormat("100%% done"), "100% done");
}

TEST(SafeFormat, MissingArgumentsPrintNothing)
{
    EXPECT_EQ(SafeFormat("Tag '%s' not found in '%s'", "a"), "Tag 'a' not found in ''");
    EXPECT_EQ(SafeFormat("%d apples and %5d pears"), " apples and  pears");
}

TEST(SafeFormat, NeverWritesAndSkipsPositionalForms)
{
    EXPECT_EQ(SafeFormat("a%nb", 5), "ab");
    EXPECT_EQ(SafeFormat("x%1$sy%2$dz", "p", 3), "xyz");
}

TEST(SafeFormat, ArgumentsConvertByTheLetter)
{
    EXPECT_EQ(SafeFormat("%s", 12), "12");
    EXPECT_EQ(SafeFormat("%d", "text"), "text");
    EXPECT_EQ(SafeFormat("%d", 2.9), "2");
    EXPECT_EQ(SafeFormat("%.1f", 3), "3.0");
    EXPECT_EQ(SafeFormat("%s", std::string("owned")), "owned");
    EXPECT_EQ(SafeFormat("%s", u"wide\u00e9"), "wide?");
    EXPECT_EQ(SafeFormat("%s", static_cast<const char*>(nullptr)), "");
}

TEST(SafeFormat, UnknownOrCutConversionsAreCopied)
{
    EXPECT_EQ(SafeFormat("50%y off", 1), "50%y off");
    EXPECT_EQ(SafeFormat("ends with %", 1), "ends with %");
    EXPECT_EQ(SafeFormat("ends with %-5", 1), "ends with %-5");
}

TEST(SafeFormat, HugeWidthIsBounded)
{
    EXPECT_LE(SafeFormat("%999999999d", 1).size(), 100001u);
}

}  // namespace
