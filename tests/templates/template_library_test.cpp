// The shipped template library: its lint through the real loader, and one minimal asset per kind that checks cleanly.
#include <gtest/gtest.h>

#include <string>

#include "template_test_support.h"
#include "templates/dod_template_lint.h"

namespace TemplateTests {
namespace {

class TemplateLibraryTest : public TemplateTest {};

std::string MinimalConfig(const std::string& kind, const std::string& extra = "")
{
    return "kuid <kuid:523:1001>\n"
           "kind \"" +
           kind +
           "\"\n"
           "username \"A minimal " +
           kind +
           "\"\n"
           "korvel-build 3.3\n" +
           extra;
}

TEST_F(TemplateLibraryTest, LintFindsNothingInTheShippedLibrary)
{
    const std::vector<std::string> problems = DODLib::LintTemplateLibrary(*DODLib::DataManager::Instance());
    for (const std::string& problem : problems)
        ADD_FAILURE() << problem;
    EXPECT_TRUE(problems.empty());
}

TEST_F(TemplateLibraryTest, LintReportsEveryKindOfBrokenReference)
{
    UseTemplateFiles({
        {"kind.txt",
         "scenery\n{\n  top-level 1\n  inherit\n  {\n    no-such-base 1\n  }\n"
         "  subpossibilities\n  {\n"
         "    size\n    {\n      kind \"value\"\n      type \"huge\"\n    }\n"
         "    colour\n    {\n      kind \"value\"\n      type \"combobox\"\n      source \"colours.txt\"\n    }\n"
         "    depth\n    {\n      kind \"value\"\n      type \"float\"\n"
         "      validation\n      {\n        isdeep\n        {\n        }\n      }\n    }\n"
         "    parts\n    {\n      kind \"element\"\n      element-type \"part-list\"\n    }\n"
         "  }\n}\n"},
    });
    const std::vector<std::string> problems = DODLib::LintTemplateLibrary(*DODLib::DataManager::Instance());
    auto mentions = [&problems](const std::string& text) {
        for (const std::string& problem : problems) {
            if (problem.find(text) != std::string::npos)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(mentions("parent 'no-such-base' is not defined"));
    EXPECT_TRUE(mentions("type 'huge' is not a field type"));
    EXPECT_TRUE(mentions("list 'colours.txt' does not exist"));
    EXPECT_TRUE(mentions("unknown tag validator 'isdeep'"));
    EXPECT_TRUE(mentions("element type 'part-list' is not defined"));
    EXPECT_TRUE(mentions("kind 'traincar' has no top-level definition"));
    EXPECT_FALSE(mentions("kind 'scenery' has no"));
}

TEST_F(TemplateLibraryTest, EveryKindHasAMinimalAssetThatChecksCleanly)
{
    int checked = 0;
    for (const std::string& kind : DODLib::TemplateKindNames()) {
        // The mapped names are reached through their config kinds below.
        if (kind == "double-track" || kind == "tunnel" || kind == "chunky-track" || kind == "mesh-reducing-track" ||
            kind == "obsolete-track" || kind == "scenery-trackside")
            continue;
        MakeAsset("minimal-" + kind, MinimalConfig(kind));
        const std::vector<Finding> findings = CheckAsset("minimal-" + kind);
        EXPECT_TRUE(findings.empty()) << kind << ": " << ::testing::PrintToString(findings);
        ++checked;
    }
    EXPECT_GE(checked, 46);
}

TEST_F(TemplateLibraryTest, MappedTemplatesHaveMinimalAssetsThatCheckCleanly)
{
    struct Case {
        const char* name;
        std::string config;
    };
    const Case cases[] = {
        {"bridge-low", MinimalConfig("bridge", "height -0.5\n")},
        {"bridge-level", MinimalConfig("bridge", "height 0\n")},
        {"bridge-tunnel", MinimalConfig("bridge", "height 2\n")},
        {"track-chunky", "kuid <kuid:523:1002>\nkind \"track\"\nusername \"old\"\nkorvel-build 2.8\n"
                         "chunky_mesh \"chunk.lm\"\n"},
        {"track-unit", "kuid <kuid:523:1003>\nkind \"track\"\nusername \"old\"\nkorvel-build 2.8\n"
                       "unit_mesh \"unit.im\"\n"},
        {"track-old", "kuid <kuid:523:1004>\nkind \"track\"\nusername \"old\"\nkorvel-build 2.8\n"},
        {"scenery-beside-track", MinimalConfig("scenery", "trackside 2.5\n")},
    };
    for (const Case& test : cases) {
        const std::string folder = MakeAsset(test.name, test.config);
        WriteFile(folder + "/chunk.lm", LodMesh(2));
        WriteFile(folder + "/unit.im", QuadMesh());
        const std::vector<Finding> findings = CheckAsset(test.name);
        EXPECT_TRUE(findings.empty()) << test.name << ": " << ::testing::PrintToString(findings);
    }
}

// The checks only read: the asset's folder is the same afterwards, file for file.
TEST_F(TemplateLibraryTest, CheckingAnAssetChangesNoFileOfIt)
{
    const std::string folder =
        MakeAsset("untouched", MinimalConfig("scenery", "mesh-table\n{\n  default\n  {\n"
                                                        "    mesh \"body.im\"\n    auto-create 1\n  }\n}\n"
                                                        "old-tag \"x\"\n"));
    WriteFile(folder + "/body.im", QuadMesh());
    WriteFile(folder + "/wood.texture", "MMTF");
    auto snapshot = [&folder]() {
        std::string all;
        Zel::File::Find find;
        EXPECT_TRUE(find.Open((folder + "/*").c_str()));
        while (find.Next())
            all += find.Name() + "=" + ReadFile(folder + "/" + find.Name()) + ";";
        return all;
    };
    const std::string before = snapshot();
    EXPECT_FALSE(CheckAsset("untouched").empty());
    EXPECT_EQ(snapshot(), before);
}

TEST_F(TemplateLibraryTest, ATypicalTraincarWithMeshesThumbnailAndStringTableChecksCleanly)
{
    const std::string folder = MakeAsset(
        "wagon",
        MinimalConfig("traincar",
                      "description \"An open wagon\"\n"
                      "category-class \"ZX\"\n"
                      "category-region \"AU;US\"\n"
                      "category-era \"1950s;1960s\"\n"
                      "mass 12000\n"
                      "mesh-table\n{\n  default\n  {\n    mesh \"body/body.im\"\n    auto-create 1\n  }\n"
                      "  shadow\n  {\n    mesh \"shadow/shadow.im\"\n  }\n}\n"
                      "thumbnails\n{\n  0\n  {\n    image \"thumb.jpg\"\n    width 240\n    height 180\n  }\n}\n"
                      "string-table\n{\n  greeting \"Hello\"\n}\n"
                      "string-table-de\n{\n  greeting \"Hallo\"\n}\n"
                      "kuid-table\n{\n}\n"));
    WriteFile(folder + "/body/body.im", QuadMesh());
    ASSERT_EQ(std::system(("mkdir -p '" + folder + "/body' '" + folder + "/shadow'").c_str()), 0);
    WriteFile(folder + "/body/body.im", QuadMesh());
    WriteFile(folder + "/shadow/shadow.im", QuadMesh());
    const std::vector<Finding> findings = CheckAsset("wagon");
    EXPECT_TRUE(findings.empty()) << ::testing::PrintToString(findings);
}

}  // namespace
}  // namespace TemplateTests
