// "$(NAME)" parameters filled from a soup when a line is added.
#include <gtest/gtest.h>

#include "results_log_test_support.h"
#include "soup/soup_handle.h"

using Kind = ResultsLog::MessageKind;

namespace {

struct SubstitutionCase {
    const char* text;
    const char* name;
    const char* value;
    const char* expected;
};

const SubstitutionCase SubstitutionCases[] = {
    {"Unable to open '$(FILE_NAME)'.", "FILE_NAME", "a.txt", "Unable to open 'a.txt'."},
    {"lower $(file_name) mixed $(File_Name)", "FILE_NAME", "x", "lower x mixed x"},
    {"twice $(N)$(N)", "N", "ab", "twice abab"},
    {"value holds it: $(N)", "N", "$(N)", "value holds it: $(N)"},
    {"value grows it: $(N) $(N)", "N", "[$(N)]", "value grows it: [$(N)] [$(N)]"},
    {"empty value <$(N)>", "N", "", "empty value <>"},
    {"no placeholder", "N", "v", "no placeholder"},
    {"unclosed $(N", "N", "v", "unclosed $(N"},
    {"$(N)", "N", "whole", "whole"},
    {"other $(M)", "N", "v", "other $(M)"},
};

}  // namespace

TEST(SubstituteMessageParameter, Table)
{
    for (const SubstitutionCase& c : SubstitutionCases) {
        Zel::AnsiString text(c.text);
        SubstituteMessageParameter(Zel::AnsiString(c.value), text, c.name);
        EXPECT_EQ(text.Std(), c.expected) << c.text;
    }
}

TEST(ResultsLogParameters, EveryTagOfTheSoupFillsItsUpperCasedPlaceholder)
{
    SoupHandle parameters;
    parameters.SetNamedTag(Zel::PString("file_name"), "config.txt");
    parameters.SetNamedTagInt(Zel::PString("line"), 12);
    ResultsLog log;
    log.AddMessage(Kind::Error, PropertyHandle(), Zel::String("$(FILE_NAME)($(LINE)): $(file_name)"), &parameters);
    auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].text.Std(), "config.txt(12): config.txt");
}

TEST(ResultsLogParameters, AValueIsNotExpandedByALaterTag)
{
    // The first tag's value holds the second tag's placeholder; it is part
    // of the text by the time the second tag runs, so it is filled then --
    // but a value never expands its own placeholder.
    SoupHandle parameters;
    parameters.SetNamedTag(Zel::PString("a"), "$(A)");
    ResultsLog log;
    log.AddMessage(Kind::Info, PropertyHandle(), Zel::String("<$(A)>"), &parameters);
    EXPECT_EQ(log.Lines()[0].text.Std(), "<$(A)>");
}

TEST(ResultsLogParameters, WithoutASoupTheTextIsKept)
{
    ResultsLog log;
    log.AddMessage(Kind::Info, PropertyHandle(), Zel::String("$(FILE_NAME)"), nullptr);
    EXPECT_EQ(log.Lines()[0].text.Std(), "$(FILE_NAME)");
}
