// Hostile template data and interface texts: malformed soups, inheritance loops, formats that do not match their arguments.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "interfacetext/interface_text_db.h"
#include "template_test_support.h"
#include "templates/dod_messages.h"
#include "templates/dod_template_lint.h"

namespace TemplateTests {
namespace {

class BadInputTest : public TemplateTest {};

TEST_F(BadInputTest, MalformedTemplateFilesGiveFindingsNotACrash)
{
    UseTemplateFiles({
        {"kind.txt", "scenery\r\n{\r\n  top-level 1\r\n  subpossibilities\r\n  {\r\n    title\r\n    {\r\n"
                     "      kind \"value\"\r\n      type \"string\"\r\n  }\r\n}\r\n}\r\n}\r\n{{{ "
                     "\"unclosed\r\n\x01\x02\xff junk\r\n"},
        {"container.txt", "\xEF\xBB\xBF}}}\r\n"},
        {"inheritance.txt", std::string("base\0with zero\r\n{\r\n", 19)},
    });
    EXPECT_TRUE(ReadConfig("kind \"scenery\"\ntitle \"t\"\nother 1\n"));
    EXPECT_FALSE(Findings().empty());
    DODLib::LintTemplateLibrary(*DODLib::DataManager::Instance());
}

TEST_F(BadInputTest, AnInheritanceLoopEnds)
{
    UseTemplateFiles({
        {"inheritance.txt", SoupText(R"(
a{inherit{b 1};subpossibilities{x{kind "value";type "int"}};validation{uniquenames{}}}
b{inherit{a 1};subpossibilities{y{kind "value";type "int"}};validation{meshtablehasshadow{}}}
)")},
        {"kind.txt",
         SoupText(R"(loop{top-level 1;inherit{a 1;b 1};subpossibilities{kind{kind "value";type "string"}
  korvel-build{kind "value";type "float"}
  category-era{kind "value";type "string"}
  category-class{kind "value";type "string"}
  category-region{kind "value";type "string"}
}})")},
    });
    ASSERT_TRUE(ReadConfig("kind \"loop\"\nx 1\ny 2\n"));
    EXPECT_TRUE(Findings().empty()) << ::testing::PrintToString(Findings());
    SoupHandle out;
    EXPECT_TRUE(container_->Export(out));
    EXPECT_TRUE(container_->RunContainerValidators());
}

TEST_F(BadInputTest, TypesAndValidatorsNoTableKnowsAreHarmless)
{
    UseTemplateFiles({{"kind.txt", SoupText(R"(
odd{top-level 1;subpossibilities{
  kind{kind "value";type "string"}
  size{kind "value";type "huge";validation{isdeep{};range}}
  part{kind "element";element-type "nowhere"}
  blob{kind "strange"}
}}
)")}});
    ASSERT_FALSE(ReadConfig("kind \"odd\"\nsize 3\nblob\n{\n}\npart\n{\n}\n"));
    EXPECT_EQ(Findings(), (std::vector<Finding>{
                              {3, DODLib::FindingText("$dod_container_nodefinition", "size", "odd").c_str()},
                              {3, DODLib::FindingText("$dod_container_errorintemplate", "strange").c_str()},
                              {3, DODLib::FindingText("$dod_container_nocontainerdefinition", "nowhere").c_str()},
                          }));
}

// Interface texts are data: a translation whose format asks for more, or
// other, arguments than the finding has only misprints.
TEST_F(BadInputTest, ABadFormatInAnInterfaceTextOnlyMisprints)
{
    const std::string texts = base_ + "/texts";
    ASSERT_EQ(mkdir(texts.c_str(), 0700), 0);
    WriteFile(texts + "/interfacetext.txt",
              "$dod_container_nodefinition \"%s%s%s%s%n%99999999999d%1$s%ls %p %.2147483647f\"\r\n"
              "$dod_eh_error \"%s%n\"\r\n");
    InterfaceTextDB::SetDataFolder(texts.c_str());
    InterfaceTextDB::MarkNotLoaded();
    ASSERT_TRUE(ReadConfig("kind \"scenery\"\nkuid <kuid:1:2>\nusername \"u\"\nkorvel-build 3.0\nnothing-like-it 1\n"));
    ASSERT_EQ(Findings().size(), 1u);
    EXPECT_EQ(Findings()[0].text.rfind("nothing-like-itscenery", 0), 0u) << Findings()[0].text;
    InterfaceTextDB::SetDataFolder(KORVEL_SOURCE_DIR "/data");
    InterfaceTextDB::MarkNotLoaded();
}

TEST_F(BadInputTest, LintReportsACompulsorySubContainerWithoutElement)
{
    UseTemplateFiles({{"kind.txt", SoupText(R"(
boxy{top-level 1;subpossibilities{box{kind "element";element-type "box";compulsory 1}}}
box{subpossibilities{x{kind "value";type "int"}}}
)")}});
    const std::vector<std::string> problems = DODLib::LintTemplateLibrary(*DODLib::DataManager::Instance());
    bool found = false;
    for (const std::string& problem : problems)
        found = found || problem.find("boxy/box: a compulsory sub-container needs \"element\"") != std::string::npos;
    EXPECT_TRUE(found) << ::testing::PrintToString(problems);
}

}  // namespace
}  // namespace TemplateTests
