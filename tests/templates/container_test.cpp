// Template containers: kinds and their templates, sub-containers, compulsory, numbered and obsolete tags, identity tags, export.
#include <gtest/gtest.h>

#include "template_test_support.h"
#include "templates/dod_messages.h"
#include "templates/dod_tag.h"

namespace TemplateTests {
namespace {

using DODLib::Container;
using DODLib::FindingText;

const char* const TestInheritance = R"(
base{subpossibilities{
  kuid{kind "value";type "kuid";compulsory 1}
  kind{kind "value";type "string";compulsory 1}
  username{kind "value";type "string";compulsory 1}
  korvel-build{kind "value";type "float"}
  description{kind "value";type "string"}
  alias{kind "value";type "string"}
  category-era{kind "value";type "string"}
  category-class{kind "value";type "string"}
  category-region{kind "value";type "string"}
}
obsolete-tag{
  old-name{obsolete-version 2.9;kind "value";type "string"}
  old-box{obsolete-version 2.6;kind "value";type "string"}
}}
musthave{subpossibilities{must{kind "value";type "string";compulsory 1}}}
loose{tagarray{kind "value";type "string"}}
strict{subpossibilities{shared{kind "value";type "int"}}}
)";

const char* const TestKinds = R"(
scenery{top-level 1;inherit{base 1};subpossibilities{
  abc0{kind "value";type "float";sequence 1}
  ab0{kind "value";type "float";sequence 1}
  a0{kind "value";type "float";sequence 1}
  foo0{kind "value";type "int"}
  flag{kind "value";type "bool"}
  ratio{kind "value";type "float";validation{isnotzero{}}}
  title{kind "value";type "string"}
  count{kind "value";type "int"}
  username{kind "value";type "string";compulsory 1}
  named{kind "value";type "string";default "parent"}
  mesh-table{kind "element";element-type "mesh-table"}
  nest{kind "element";element-type "nest"}
}}
double-track{top-level 1;inherit{base 1};subpossibilities{height{kind "value";type "float"}}}
bridge{top-level 1;inherit{base 1};subpossibilities{height{kind "value";type "float"}}}
tunnel{top-level 1;inherit{base 1};subpossibilities{height{kind "value";type "float"}}}
track{top-level 1;inherit{base 1};subpossibilities{unit_mesh{kind "value";type "string"};chunky_mesh{kind "value";type "string"}}}
mesh-reducing-track{top-level 1;inherit{base 1};subpossibilities{unit_mesh{kind "value";type "string"}}}
chunky-track{top-level 1;inherit{base 1};subpossibilities{chunky_mesh{kind "value";type "string"}}}
obsolete-track{top-level 1;inherit{base 1}}
scenery-trackside{top-level 1;inherit{base 1};subpossibilities{trackside{kind "value";type "float"}}}
twice{top-level 1;inherit{base 1;musthave 1};subpossibilities{must{kind "value";type "string";compulsory 1}}}
mixed{top-level 1;inherit{loose 1;strict 1}}
hidden{inherit{base 1}}
)";

const char* const TestContainers = R"(
mesh-table{array-element{container-type0 "mesh-element"}}
mesh-element{subpossibilities{mesh{kind "value";type "string"};auto-create{kind "value";type "bool"}}}
nest{subpossibilities{inner{kind "value";type "string"}}}
smoke{kind "smoke";icon "smoke";subpossibilities{
  rate{kind "value";type "float";compulsory 1}
  lifetime{kind "value";type "float";compulsory 1}
  file{kind "value";type "string"}
}}
)";

class ContainerTest : public TemplateTest {
protected:
    void SetUp() override
    {
        TemplateTest::SetUp();
        UseTemplateFiles({{"inheritance.txt", SoupText(TestInheritance)},
                          {"kind.txt", SoupText(TestKinds)},
                          {"container.txt", SoupText(TestContainers)}});
    }

    static std::string Config(const std::string& kind, const std::string& rest, const char* build = "3.0")
    {
        return "kuid <kuid:1:2>\nkind \"" + kind + "\"\nusername \"u\"\nkorvel-build " + build + "\n" + rest;
    }

    DODLib::Tag* TagNamed(const Container& container, const char* name)
    {
        return container.FindTag(Zel::PString(name));
    }

    SoupHandle Exported()
    {
        SoupHandle out;
        container_->Export(out);
        return out;
    }
};

TEST_F(ContainerTest, SomeKindsAreReadAgainstATemplateTheConfigChooses)
{
    struct Case {
        std::string config;
        const char* templateName;
        const char* writtenKind;
    };
    const Case cases[] = {
        {Config("bridge", "height 0\n"), "double-track", "bridge"},
        {Config("bridge", "height -0.5\n"), "bridge", "bridge"},
        {Config("bridge", "height 2\n"), "tunnel", "bridge"},
        {Config("track", "unit_mesh \"u.im\"\n", "2.8"), "mesh-reducing-track", "track"},
        {Config("track", "chunky_mesh \"c.im\"\n", "2.8"), "chunky-track", "track"},
        {Config("track", "", "2.8"), "obsolete-track", "track"},
        {Config("track", "unit_mesh \"u.im\"\n", "2.9"), "track", "track"},
        {Config("scenery", "trackside 1\n"), "scenery-trackside", "scenery"},
        {Config("SCENERY", ""), "scenery", "scenery"},
    };
    for (const Case& test : cases) {
        ASSERT_TRUE(ReadConfig(test.config)) << test.config;
        EXPECT_STREQ(container_->GetName().c_str(), test.templateName) << test.config;
        EXPECT_TRUE(Findings().empty()) << test.config << ::testing::PrintToString(Findings());
        EXPECT_STREQ(Exported().GetNamedTag(Zel::PString("kind")).c_str(), test.writtenKind);
    }
}

TEST_F(ContainerTest, AConfigWithoutKindOrWithAnUnknownKindReadsNothing)
{
    EXPECT_FALSE(ReadConfig("username \"u\"\n"));
    EXPECT_EQ(Findings(), (std::vector<Finding>{{3, Text("$dod_container_nokindtag")}}));
    for (const char* kind : {"spaceship", "hidden"}) {
        EXPECT_FALSE(ReadConfig(Config(kind, "title \"x\"\n")));
        EXPECT_EQ(Findings(), (std::vector<Finding>{{3, Text("$dod_container_nokindspecification")}})) << kind;
        EXPECT_TRUE(container_->GetTags().empty());
    }
}

TEST_F(ContainerTest, AnUndefinedCacheSubSoupGivesTwoErrors)
{
    ASSERT_TRUE(ReadConfig(Config("scenery", ".cache\n{\nx 1\n}\n")));
    EXPECT_EQ(Findings(), (std::vector<Finding>{
                              {3, FindingText("$dod_container_nodefinition", ".cache", "scenery").c_str()},
                              {3, Text("$dod_container_oldcontainer")},
                          }));
}

TEST_F(ContainerTest, SmokeSettingsAreNotMissingWhenTheSmokeComesFromAFile)
{
    ASSERT_TRUE(ReadConfig(Config("scenery", "smoke0\n{\nrate 1\nlifetime 2\n}\n"
                                             "smoke1\n{\nfile \"puff.txt\"\n}\n"
                                             "smoke2\n{\nlifetime 2\n}\n")));
    EXPECT_EQ(Findings(), (std::vector<Finding>{{2, FindingText("$dod_container_missingtag", "rate").c_str()}}));
    ASSERT_EQ(container_->GetChildren().size(), 3u);
    EXPECT_STREQ(container_->GetChildren()[2]->GetTypeName().c_str(), "smoke");
}

TEST_F(ContainerTest, WithoutASmokeDefinitionASmokeSubSoupIsAnError)
{
    UseTemplateFiles({{"inheritance.txt", SoupText(TestInheritance)}, {"kind.txt", SoupText(TestKinds)}});
    ASSERT_TRUE(ReadConfig(Config("scenery", "smoke0\n{\nrate 1\n}\n")));
    EXPECT_EQ(TextsOf(3), (std::vector<std::string>{
                              Text("$dod_container_nosmoke"),
                              FindingText("$dod_container_nodefinition", "smoke0", "scenery").c_str(),
                          }));
}

TEST_F(ContainerTest, ACompulsoryTagListedTwiceIsReportedOnce)
{
    ASSERT_TRUE(ReadConfig(Config("twice", "")));
    EXPECT_EQ(Findings(), (std::vector<Finding>{{2, FindingText("$dod_container_missingtag", "must").c_str()}}));
}

// "username" is compulsory in both the kind and its parent: the config's
// username takes one listing, and the other must not report it missing.
TEST_F(ContainerTest, APresentIdentityTagListedTwiceIsNotMissing)
{
    ASSERT_TRUE(ReadConfig(Config("scenery", "")));
    EXPECT_TRUE(Findings().empty()) << ::testing::PrintToString(Findings());
    ASSERT_TRUE(ReadConfig("kuid <kuid:1:2>\nkind \"scenery\"\n"));
    EXPECT_EQ(Findings(), (std::vector<Finding>{{2, FindingText("$dod_container_missingtag", "username").c_str()}}));
}

TEST_F(ContainerTest, IdentityTagsComeFirstAndAreNotWrittenBackFromSubContainers)
{
    ASSERT_TRUE(ReadConfig("kind \"scenery\"\ntitle \"t\"\nnest\n{\ninner \"i\"\nkuid <kuid:9:9>\n}\n"
                           "username \"u\"\nkuid <kuid:1:2>\nkorvel-build 3.0\n"));
    const auto& tags = container_->GetTags();
    ASSERT_GE(tags.size(), 2u);
    EXPECT_STREQ(tags[0]->name.c_str(), "username");
    EXPECT_STREQ(tags[1]->name.c_str(), "kuid");
    const SoupHandle out = Exported();
    EXPECT_STREQ(out.GetIndexedTagName(0).c_str(), "username");
    const SoupHandle nest = out.GetNamedSoup(Zel::PString("nest"));
    EXPECT_STREQ(nest.GetNamedTag(Zel::PString("inner")).c_str(), "i");
    EXPECT_FALSE(nest.HasNamedTag(Zel::PString("kuid")));
}

TEST_F(ContainerTest, AContainerWithExtensionsWritesOnlyThem)
{
    ASSERT_TRUE(ReadConfig(Config("scenery", "title \"t\"\n")));
    container_->SetExtensions(ParseSoup("note \"kept\"\n"));
    const SoupHandle out = Exported();
    EXPECT_EQ(out.CountTags(), 1);
    EXPECT_STREQ(out.GetNamedSoup(Zel::PString("extensions")).GetNamedTag(Zel::PString("note")).c_str(), "kept");
}

TEST_F(ContainerTest, AFailedFloatWriterStopsLaterFloatAndStringTagsButNotOthers)
{
    ASSERT_TRUE(ReadConfig(Config("scenery", "ratio 0\ntitle \"\"\nflag 1\ncount 3\ndescription \"\"\n")));
    DODLib::ErrorHandler::Instance()->Clear();
    SoupHandle out;
    EXPECT_FALSE(container_->Export(out));
    EXPECT_EQ(Findings(), (std::vector<Finding>{{3, FindingText("$dod_val_notzero", "ratio").c_str()}}));
    EXPECT_FALSE(out.HasNamedTag(Zel::PString("title")));
    EXPECT_FALSE(out.HasNamedTag(Zel::PString("description")));
    EXPECT_EQ(out.GetNamedTagAsInt(Zel::PString("flag"), -1), 1);
    EXPECT_EQ(out.GetNamedTagAsInt(Zel::PString("count"), -1), 3);
}

TEST_F(ContainerTest, NumberedTagsShareTheirZeroEntryOnlyWhenItIsASequence)
{
    ASSERT_TRUE(ReadConfig(Config("scenery", "abc7 1\nabc42 1\nabc123 1\nab1 1\na1 1\nfoo3 1\n")));
    EXPECT_EQ(TextsOf(3), (std::vector<std::string>{
                              FindingText("$dod_container_nodefinition", "abc123", "scenery").c_str(),
                              FindingText("$dod_container_nodefinition", "a1", "scenery").c_str(),
                              FindingText("$dod_container_nodefinition", "foo3", "scenery").c_str(),
                          }));
    EXPECT_EQ(TagNamed(*container_, "abc42")->fieldType, DODLib::FieldFloat);
    EXPECT_EQ(TagNamed(*container_, "ab1")->fieldType, DODLib::FieldFloat);
}

TEST_F(ContainerTest, AParentsTagArrayWinsOverALaterParentsEntry)
{
    ASSERT_TRUE(ReadConfig("kind \"mixed\"\nshared \"text\"\n"));
    EXPECT_EQ(TagNamed(*container_, "shared")->fieldType, DODLib::FieldString);
}

TEST_F(ContainerTest, AnObsoleteTagCountsFromItsVersionOn)
{
    ASSERT_TRUE(ReadConfig(Config("scenery", "old-name \"n\"\n", "2.8")));
    EXPECT_TRUE(Findings().empty()) << ::testing::PrintToString(Findings());
    EXPECT_EQ(TagNamed(*container_, "old-name")->fieldType, DODLib::FieldString);

    ASSERT_TRUE(ReadConfig(Config("scenery", "old-name \"n\"\nold-box\n{\n}\n", "2.9")));
    EXPECT_EQ(Findings(), (std::vector<Finding>{
                              {3, FindingText("$dod_container_obsoletetag", "old-name", "scenery").c_str()},
                              {2, FindingText("$dod_container_obsoletetag", "old-box", "scenery").c_str()},
                          }));
}

// A command host validates many assets: an old asset's validation must not
// leave its not-yet-obsolete tags in the library for the next asset.
TEST_F(ContainerTest, AnOldAssetDoesNotChangeWhatTheNextAssetMayUse)
{
    ASSERT_TRUE(ReadConfig(Config("scenery", "old-name \"n\"\n", "2.8")));
    EXPECT_TRUE(Findings().empty());
    container_.reset();
    ASSERT_TRUE(ReadConfig(Config("scenery", "old-name \"n\"\n", "3.0")));
    EXPECT_EQ(Findings(), (std::vector<Finding>{
                              {3, FindingText("$dod_container_obsoletetag", "old-name", "scenery").c_str()},
                          }));
}

// What a field definition says is read once for every validation of the
// library; a validation of an old asset in between reads its own copies.
TEST_F(ContainerTest, ValidationsOfNewAndOldAssetsInAnyOrderReadTheSameFields)
{
    // The tag is obsolete from 2.9 on: no definition types it then.
    struct Step {
        const char* build;
        size_t findings;
        DODLib::FieldType oldName;
    } steps[] = {
        {"3.0", 1, DODLib::FieldUntyped},
        {"2.8", 0, DODLib::FieldString},
        {"3.0", 1, DODLib::FieldUntyped},
        {"2.8", 0, DODLib::FieldString},
    };
    for (const Step& step : steps) {
        container_.reset();
        ASSERT_TRUE(ReadConfig(Config("scenery", "old-name \"n\"\ntitle \"t\"\n", step.build)));
        EXPECT_EQ(Findings().size(), step.findings) << step.build;
        EXPECT_EQ(TagNamed(*container_, "title")->fieldType, DODLib::FieldString) << step.build;
        EXPECT_EQ(TagNamed(*container_, "old-name")->fieldType, step.oldName) << step.build;
    }
}

TEST_F(ContainerTest, ADefaultOfParentNamesTheContainer)
{
    ASSERT_TRUE(ReadConfig(Config("scenery", "")));
    const DODLib::Tag* placeholder = nullptr;
    for (const DODLib::Tag* tag : container_->GetOptionalTags()) {
        if (tag->name == "named")
            placeholder = tag;
    }
    ASSERT_NE(placeholder, nullptr);
    EXPECT_STREQ(placeholder->value.c_str(), "scenery");
}

TEST_F(ContainerTest, AnOptionalTagInTheConfigRemovesItsPlaceholder)
{
    auto hasPlaceholder = [this](const char* name) {
        for (const DODLib::Tag* tag : container_->GetOptionalTags()) {
            if (tag->name == name)
                return true;
        }
        return false;
    };
    ASSERT_TRUE(ReadConfig(Config("scenery", "")));
    EXPECT_TRUE(hasPlaceholder("title"));
    ASSERT_TRUE(ReadConfig(Config("scenery", "title \"t\"\n")));
    EXPECT_FALSE(hasPlaceholder("title"));
}

// Duplicate names exist only in binary configs; the text reader keeps the last.
// Every tag of a name takes its value from the name's first occurrence.
TEST_F(ContainerTest, TheFirstOfTwoTagsOfOneNameWinsAndBothKuidsAreKept)
{
    SoupHandle config = ParseSoup(Config("scenery", "title \"first\"\n"));
    SoupHandle second = ParseSoup("title \"second\"\nkuid <kuid:7:7>\n");
    config.GetContainer()->AddNamedTag(Zel::PString("title"), second.Root()->GetNamedTag(Zel::PString("title")));
    config.GetContainer()->AddNamedTag(Zel::PString("kuid"), second.Root()->GetNamedTag(Zel::PString("kuid")));
    DODLib::DataManager::Instance()->LoadTemplates();
    container_ = std::make_unique<Container>();
    ASSERT_TRUE(container_->Validate(config));
    int titles = 0;
    int kuids = 0;
    for (const DODLib::Tag* tag : container_->GetTags()) {
        titles += tag->name == "title" ? 1 : 0;
        kuids += tag->name == "kuid" ? 1 : 0;
    }
    EXPECT_EQ(titles, 1);
    EXPECT_EQ(kuids, 2);
    EXPECT_STREQ(TagNamed(*container_, "title")->value.c_str(), "first");
    const SoupHandle out = Exported();
    EXPECT_STREQ(out.GetNamedTag(Zel::PString("kuid")).c_str(), "<kuid:1:2>");
    int written = 0;
    for (int32_t i = 0; i < out.CountTags(); ++i)
        written += out.GetIndexedTagName(i) == "kuid" ? 1 : 0;
    EXPECT_EQ(written, 1);
}

TEST_F(ContainerTest, AnAliasWarnsAndSilencesAnimationFindings)
{
    ASSERT_TRUE(ReadConfig(Config("scenery", "alias \"<kuid:1:3>\"\n")));
    EXPECT_EQ(Findings(), (std::vector<Finding>{{2, Text("$dod_container_alias")}}));
    EXPECT_TRUE(DODLib::DataManager::Instance()->IsSkipAnimation());
}

TEST_F(ContainerTest, MeshTableChildrenAreRegisteredUnderTheirOwner)
{
    ASSERT_TRUE(
        ReadConfig(Config("scenery", "mesh-table\n{\ndefault\n{\nmesh \"a.im\"\n}\nshadow\n{\nmesh \"s.im\"\n}\n}\n")));
    const auto* children = DODLib::DataManager::Instance()->GetChildContainers(Zel::PString("mesh-table"));
    ASSERT_NE(children, nullptr);
    ASSERT_EQ(children->size(), 2u);
    EXPECT_STREQ((*children)[1]->GetName().c_str(), "shadow");
    EXPECT_TRUE(DODLib::DataManager::Instance()->HasEntryFor(Zel::PString("default"), Zel::PString("mesh-table")));
    container_.reset();
    EXPECT_EQ(DODLib::DataManager::Instance()->GetChildContainers(Zel::PString("mesh-table")), nullptr);
}

}  // namespace
}  // namespace TemplateTests
