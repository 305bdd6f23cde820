// The ASCII character classes and case folding: bytes from 0x80 up are never letters, digits or folded.
#include <gtest/gtest.h>

#include <string>

#include "zel/alloc.h"
#include "zel/ascii.h"

namespace {

TEST(Ascii, ClassesCoverExactlyTheAsciiRanges)
{
    for (int value = 0; value < 256; ++value) {
        const char c = static_cast<char>(value);
        const bool digit = value >= '0' && value <= '9';
        const bool upper = value >= 'A' && value <= 'Z';
        const bool lower = value >= 'a' && value <= 'z';
        EXPECT_EQ(Zel::AsciiIsDigit(c), digit) << value;
        EXPECT_EQ(Zel::AsciiIsUpper(c), upper) << value;
        EXPECT_EQ(Zel::AsciiIsLower(c), lower) << value;
        EXPECT_EQ(Zel::AsciiIsLetter(c), upper || lower) << value;
        EXPECT_EQ(Zel::AsciiIsLetterOrDigit(c), upper || lower || digit) << value;
        EXPECT_EQ(Zel::AsciiToLower(c), upper ? static_cast<char>(value + 32) : c) << value;
        EXPECT_EQ(Zel::AsciiToUpper(c), lower ? static_cast<char>(value - 32) : c) << value;
    }
}

TEST(Ascii, FoldingLeavesBytesAbove0x7FAlone)
{
    const struct {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"Help", "hELP", true},
        {"help", "helps", false},
        {"Ünïcödé", "Ünïcödé", true},
        {"Ü", "ü", false},
        {"", "", true},
        {"LOCALHOST", "localhost", true},
        {"config.TXT", "config.txt", true},
        {"a", "A ", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Zel::AsciiEqualIgnoreCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(Zel::AsciiLowerCopy("MiXeD Ü 123"), "mixed Ü 123");
    EXPECT_LT(Zel::AsciiCompare("apple", "Banana", true), 0);
    EXPECT_GT(Zel::AsciiCompare("apple", "Banana", false), 0);
    EXPECT_EQ(Zel::AsciiCompare("ABC", "abc", true), 0);
}

TEST(Alloc, TryNewGivesAWritableBlockThatDeleteTakesBack)
{
    for (std::size_t size : {0u, 1u, 4096u, 3u << 20}) {
        auto* block = static_cast<unsigned char*>(Zel::Alloc::TryNew(size));
        ASSERT_NE(block, nullptr) << size;
        block[0] = 1;
        if (size > 1)
            block[size - 1] = 2;
        Zel::Alloc::Delete(block);
    }
}

}  // namespace
