// Splitting batch lines into words, with the product's quirks kept.
#include <gtest/gtest.h>

#include "app/batch_line.h"

namespace {

struct SplitCase {
    const char* name;
    std::string line;
    std::vector<std::string> words;
    bool runsNothing;
};

const SplitCase splitCases[] = {
    {"plain words", "echo hello world\n", {"echo", "hello", "world"}, false},
    {"crlf terminator", "echo hello\r\n", {"echo", "hello"}, false},
    {"no terminator", "echo hello", {"echo", "hello"}, false},
    {"leading blank is not doubled", " echo hello\n", {"echo", "hello"}, false},
    {"doubled blank gives an empty word", "echo  hello\n", {"echo", "", "hello"}, false},
    {"trailing blank gives an empty last word", "echo hello \n", {"echo", "hello", ""}, false},
    {"quoted path keeps blanks", "installcdp \"C:\\My Files\\a.cdp\"\n", {"installcdp", "C:\\My Files\\a.cdp"}, false},
    {"text after closing quote dropped", "echo \"ab\"cd ef\n", {"echo", "ab", "ef"}, false},
    {"quote starts a word mid-word", "echo ab\"cd\"\n", {"echo", "cd"}, false},
    {"unclosed quote drops its word", "echo one \"two three\n", {"echo", "one"}, false},
    {"empty quotes give an empty word", "echo \"\" x\n", {"echo", "", "x"}, false},
    // The terminator's first byte is never examined, so it stays a word.
    {"empty line with lf", "\n", {"\n"}, true},
    {"empty line with crlf", "\r\n", {"\r"}, true},
    {"last quoted word beginning with a blank", "echo \" x\"\n", {"echo", " x"}, true},
    {"only an unclosed quote leaves no word", "\"abc\n", {}, true},
    {"cr inside the line ends it", "echo a\rb\n", {"echo", "a"}, false},
};

class SplitBatchLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitBatchLineTest, SplitsAsTheProductDoes)
{
    const SplitCase& c = GetParam();
    BatchLine line = SplitBatchLine(c.line);
    EXPECT_EQ(line.words, c.words);
    EXPECT_EQ(line.runsNothing, c.runsNothing);
}

INSTANTIATE_TEST_SUITE_P(Quirks, SplitBatchLineTest, testing::ValuesIn(splitCases),
                         [](const testing::TestParamInfo<SplitCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

TEST(SplitBatchLine, ArgumentTableHoldsAtMost511Words)
{
    std::string line = "echo";
    for (int i = 0; i < 600; ++i)
        line += " w";
    BatchLine split = SplitBatchLine(line);
    EXPECT_EQ(split.words.size(), BatchArgumentTableSize - 1);
}

}  // namespace
