// The help text's layout: the lines scripts match on.
#include <gtest/gtest.h>

#include "app/help_text.h"

namespace {

TEST(HelpText, EveryLineEndsWithLineFeedAndNoBlankLineFollows)
{
    const std::string& text = GetHelpText();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find("\n\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 44);
}

TEST(HelpText, KeepsTheProductsSpellingAndTabs)
{
    const std::string& text = GetHelpText();
    EXPECT_EQ(text.rfind("Welcome to the Korvel Util Tool!\n", 0), 0u);
    EXPECT_NE(text.find("\n" + std::string(58, '-') + "\n"), std::string::npos);
    EXPECT_NE(text.find("[-a] <CatgoryList>  - List"), std::string::npos);
    EXPECT_NE(text.find("\n\t<-iPATH>   Additional include path.\n"), std::string::npos);
    EXPECT_NE(text.find("\n\tFf - The asset is faulty.\n"), std::string::npos);
}

}  // namespace
