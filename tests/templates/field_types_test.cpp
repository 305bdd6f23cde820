// Field types and named validators: what each type does to a new tag, what its writer checks and reports.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "template_test_support.h"
#include "templates/dod_messages.h"
#include "templates/dod_tag.h"

namespace TemplateTests {
namespace {

using DODLib::FindingText;

const char* const ProbeInheritance = R"(
base{subpossibilities{
  kuid{kind "value";type "kuid"}
  kind{kind "value";type "string";compulsory 1}
  username{kind "value";type "string"}
  korvel-build{kind "value";type "float"}
  category-era{kind "value";type "string"}
  category-class{kind "value";type "string"}
  category-region{kind "value";type "string"}
}}
)";

const char* const ProbeKinds = R"(
probe{top-level 1;inherit{base 1};subpossibilities{
  b{kind "value";type "bool"}
  s{kind "value";type "string"}
  vec{kind "value";type "vector3"}
  fl{kind "value";type "floatlist"}
  lb{kind "value";type "listbox";source "colours.txt"}
  cb{kind "value";type "combobox";source "colours.txt"}
  icb{kind "value";type "intcombobox";source "numbers.txt"}
  id{kind "value";type "kuid"}
  meshpath{kind "value";type "filepath";datatype "meshes"}
  meshedit{kind "value";type "filepathedit";datatype "meshes"}
  pic{kind "value";type "filepath";datatype "image"}
  anim{kind "value";type "filepath";datatype "animation"}
  ds{kind "value";type "doublestring"}
  author{kind "value";type "string"}
  license{kind "value";type "string"}
  contact-website{kind "value";type "string"}
  kb{kind "value";type "kuidbrowser";category "TR"}
  r{kind "value";type "floatlist";validation{range{min "1";max "5"}}}
  pos{kind "value";type "floatlist";validation{ispositive{}}}
  nz{kind "value";type "floatlist";validation{isnotzero{}}}
  sz{kind "value";type "string";validation{arraysize{size "3"}}}
  both{kind "value";type "floatlist";validation{ispositive{};unknowncheck{};isnotzero{}}}
  tt{kind "value";type "string";validation{istracksidetype{}}}
  type{kind "value";type "string"}
  cm{kind "value";type "string";validation{needcollatemeshes{}}}
  sc{kind "value";type "string";validation{scriptfileexists{}}}
  pair-a{kind "value";type "string";validation{mustbepaired{0 "pair-a";1 "pair-b"}}}
  pair-b{kind "value";type "string"}
  sound{kind "element";element-type "sound"}
  mesh-table{kind "element";element-type "mesh-table"}
  group{kind "element";element-type "group"}
}}
meshy{top-level 1;inherit{base 1};subpossibilities{mesh-table{kind "element";element-type "mesh-table"}}
  validation{meshtablehasshadow{};meshtablehasvisiblemesh{}}}
tex{top-level 1;inherit{base 1};subpossibilities{texture{kind "value";type "string"}}
  validation{hasvalidtexturefile{}}}
)";

const char* const ProbeContainers = R"(
sound{tagarray{kind "value";type "string"}}
group{array-element{container-type0 "item"};validation{uniquenames{}}}
item{subpossibilities{x{kind "value";type "int"}}}
mesh-table{array-element{container-type0 "mesh-element"}}
mesh-element{subpossibilities{
  mesh{kind "value";type "filepath";datatype "meshes"}
  auto-create{kind "value";type "bool"}
  att{kind "value";type "combobox";source "attachment"}
  att-parent{kind "value";type "combobox";source "mesh-table";validation{notownparent{}}}
  effects{kind "element";element-type "effects"}
  lights{kind "element";element-type "lights"}
}}
effects{array-element{container-type0 "effect-corona"}}
effect-corona{subpossibilities{
  kind{kind "value";type "string"}
  att{kind "value";type "combobox";source "attachment";validation{mustbeownparent{}}}
  light{kind "value";type "string";validation{mustbeinlightcontainer{}}}
}}
lights{array-element{container-type0 "light"}}
light{subpossibilities{radius{kind "value";type "float"}}}
)";

class FieldTypeTest : public TemplateTest {
protected:
    void SetUp() override
    {
        TemplateTest::SetUp();
        UseTemplateFiles(
            {{"inheritance.txt", SoupText(ProbeInheritance)},
             {"kind.txt", SoupText(ProbeKinds)},
             {"container.txt", SoupText(ProbeContainers)},
             {"colours.txt", "red Red\r\ngreen Green\r\nBlue Blue\r\n"},
             {"numbers.txt", "1 one\r\n2 two\r\n"},
             {"personalDetails.txt", "author \"Ann\"\r\nlicense \"Free to use\"\r\nwebsite \"ann.example\"\r\n"}});
    }

    // Phase one on the config, then only the export's findings.
    std::vector<Finding> ExportFindings(const std::string& rest, const char* build = "3.0", const char* kind = "probe")
    {
        EXPECT_TRUE(ReadConfig(std::string("kind \"") + kind + "\"\nkorvel-build " + build + "\n" + rest));
        DODLib::ErrorHandler::Instance()->Clear();
        exported_ = SoupHandle();
        exportResult_ = container_->Export(exported_);
        return Findings();
    }

    DODLib::Tag* TagNamed(const char* name) { return container_->FindTag(Zel::PString(name)); }
    std::string Out(const char* name) { return exported_.GetNamedTag(Zel::PString(name)).c_str(); }

    static Finding Error(const char* key, const char* a, const char* b = "probe")
    {
        return Finding{3, FindingText(key, a, b).c_str()};
    }

    SoupHandle exported_;
    bool exportResult_ = false;
};

TEST_F(FieldTypeTest, ABoolThatIsNotZeroOrOneWarnsAndIsWrittenAsZero)
{
    ASSERT_TRUE(ReadConfig("kind \"probe\"\nb \"true\"\n"));
    EXPECT_EQ(Findings(), (std::vector<Finding>{{2, FindingText("$dod_container_notboolean", "b", "probe").c_str()}}));
    EXPECT_TRUE(ExportFindings("b \"true\"\n").empty());
    EXPECT_EQ(exported_.GetNamedTagAsInt(Zel::PString("b"), -1), 0);
}

TEST_F(FieldTypeTest, AnEmptyStringInASoundContainerIsSilentBefore31)
{
    EXPECT_TRUE(ExportFindings("sound\n{\nwave \"\"\n}\n", "3.0").empty());
    EXPECT_EQ(ExportFindings("sound\n{\nwave \"\"\n}\n", "3.1"),
              (std::vector<Finding>{Error("$dod_container_emptystringerr", "wave", "sound")}));
    EXPECT_EQ(ExportFindings("s \"\"\n", "3.0"), (std::vector<Finding>{Error("$dod_container_emptystringerr", "s")}));
    EXPECT_FALSE(exportResult_);
}

TEST_F(FieldTypeTest, FilePathsAreCheckedByTheirDataTypeAndLoseAFinalTxt)
{
    struct Case {
        const char* tag;
        const char* value;
        const char* key;  // null: no finding
        const char* written;
    };
    const Case cases[] = {
        {"meshedit", "body.lm.txt", nullptr, "body.lm"},
        {"meshedit", "body.txt", nullptr, "body"},
        {"meshpath", "body.lm.txt", nullptr, "body.lm"},
        {"meshpath", "body.txt", "$dod_container_nomeshext", "body"},
        {"meshpath", "sub/body.im", nullptr, "sub\\body.im"},
        {"pic", "wood.TGA", nullptr, "wood.TGA"},
        {"pic", "wood.png", "$dod_container_nopictureext", "wood.png"},
        {"anim", "walk.kin", nullptr, "walk.kin"},
        {"anim", "walk.anim", "$dod_container_noanimationext", "walk.anim"},
    };
    for (const Case& test : cases) {
        const std::string folder = MakeAsset("paths", "kind \"probe\"\n");
        std::string name = test.value;
        if (name.find(".lm") != std::string::npos)
            WriteFile(folder + "/body.lm", "lod");
        DODLib::DataManager::Instance()->SetAsset(Zel::PString("editing"), Zel::File::Path("paths/"));
        const std::vector<Finding> found = ExportFindings(std::string(test.tag) + " \"" + test.value + "\"\n");
        if (test.key)
            EXPECT_EQ(found, (std::vector<Finding>{Error(test.key, test.tag)})) << test.value;
        else
            EXPECT_TRUE(found.empty()) << test.value << ::testing::PrintToString(found);
        EXPECT_EQ(Out(test.tag), test.written) << test.value;
    }
}

TEST_F(FieldTypeTest, AnEmptyMeshPathIsBothEmptyAndOfTheWrongKind)
{
    EXPECT_EQ(ExportFindings("meshpath \"\"\n"), (std::vector<Finding>{
                                                     Error("$dod_container_emptystringwarn", "meshpath"),
                                                     Error("$dod_container_nomeshext", "meshpath"),
                                                 }));
    EXPECT_FALSE(exportResult_);
}

TEST_F(FieldTypeTest, FloatListsAndVectorsSplitAtBlanksAndCommas)
{
    EXPECT_TRUE(ExportFindings("fl \"\"\n").empty());
    EXPECT_EQ(exported_.GetNamedTag(Zel::PString("fl")), Zel::PString("0"));
    EXPECT_EQ(DODLib::Tag::ParseFloatList("1,2,"), (std::vector<float>{1, 2, 0}));
    EXPECT_EQ(DODLib::Tag::ParseFloatList("1, 2"), (std::vector<float>{1, 0, 2}));
    // Each piece reads as atof reads it alone, the forms it stops early on too.
    for (const char* piece : {"12.5", "-0.25", "+3", "1e3", "1e999", "-1e-999", "0x1A", "7abc", "abc", ".5", "5.",
                              "inf", "1.00000001", "340282356779733661637539395458142568448"}) {
        EXPECT_EQ(DODLib::Tag::ParseFloatList(piece)[0], float(std::atof(piece))) << piece;
    }
    // "1, 2" is three pieces: 1, an empty piece read as 0, and 2.
    EXPECT_EQ(ExportFindings("vec \"1, 2\"\n"), (std::vector<Finding>{}));
    EXPECT_EQ(ExportFindings("vec \"1 2\"\n"),
              (std::vector<Finding>{{3, FindingText("$dod_val_arraywrongsize", "vec", 3, 2).c_str()}}));
}

TEST_F(FieldTypeTest, ChoiceValuesOutsideTheirListAreEmptiedAndThenReportedEmpty)
{
    EXPECT_TRUE(ExportFindings("lb \"yellow;BLUE\"\ncb \"GREEN\"\nicb \"2\"\n").empty());
    EXPECT_EQ(Out("lb"), "yellow;BLUE");
    EXPECT_EQ(ExportFindings("lb \"yellow\"\ncb \"purple\"\nicb \"7\"\n"),
              (std::vector<Finding>{
                  Error("$dod_container_emptylistbox", "lb"),
                  Error("$dod_container_emptycombobox", "cb"),
                  Error("$dod_container_emptycombobox", "icb"),
              }));
}

TEST_F(FieldTypeTest, CommentTagsAreSilentBefore25AndUndefinedFrom25)
{
    // "!" (unlike "rem" and ";") survives the upgrade of configs before 2.9.
    ASSERT_TRUE(ReadConfig("kind \"probe\"\nkorvel-build 2.4\n! \"note\"\n"));
    EXPECT_TRUE(Findings().empty()) << ::testing::PrintToString(Findings());
    ASSERT_TRUE(ReadConfig("kind \"probe\"\nkorvel-build 2.5\n! \"note\"\n"));
    EXPECT_EQ(Findings(), (std::vector<Finding>{Error("$dod_container_nodefinition", "!")}));
}

TEST_F(FieldTypeTest, OldNumberedCategoryTagsWarnBefore29AndFailFrom29)
{
    ASSERT_TRUE(ReadConfig("kind \"probe\"\nkorvel-build 2.8\ncategory-era-3 \"1950s\"\n"));
    EXPECT_EQ(Findings(), (std::vector<Finding>{
                              {2, FindingText("$dod_container_obsoletetag", "category-era-3", "probe").c_str()}}));
    ASSERT_TRUE(ReadConfig("kind \"probe\"\nkorvel-build 2.9\ncategory-region-1 \"AU\"\n"));
    EXPECT_EQ(Findings(), (std::vector<Finding>{Error("$dod_container_obsoletetag", "category-region-1")}));
}

TEST_F(FieldTypeTest, AnEmptyKuidIsWrittenAsTheNullId)
{
    EXPECT_TRUE(ExportFindings("id \"\"\n").empty());
    EXPECT_EQ(Out("id"), "<NULL>");
}

TEST_F(FieldTypeTest, PlaceholdersTakeThePersonalDetails)
{
    ASSERT_TRUE(ReadConfig("kind \"probe\"\nauthor \"Someone else\"\n"));
    std::map<std::string, std::string> values;
    for (const DODLib::Tag* tag : container_->GetOptionalTags())
        values[tag->name.c_str()] = tag->value.c_str();
    EXPECT_EQ(values["license"], "Free to use");
    EXPECT_EQ(values["contact-website"], "ann.example");
    EXPECT_EQ(values.count("author"), 0u);
    EXPECT_STREQ(TagNamed("author")->value.c_str(), "Someone else");
}

TEST_F(FieldTypeTest, AUserNamedStringKeepsItsValueAndWarnsWhenEmpty)
{
    EXPECT_EQ(ExportFindings("ds \"\"\n"),
              (std::vector<Finding>{{2, FindingText("$dod_container_emptystringwarn", "ds", "probe").c_str()}}));
    EXPECT_FALSE(exportResult_);
}

TEST_F(FieldTypeTest, AKuidBrowserFieldNamingNoAssetWarnsAndPasses)
{
    EXPECT_EQ(ExportFindings("kb \"\"\n"),
              (std::vector<Finding>{{2, FindingText("$dod_val_nullkuidwarn", "kb").c_str()}}));
    EXPECT_TRUE(exportResult_);
    EXPECT_EQ(Out("kb"), "<NULL>");
    // Without the daemon the asset is not in the database: a warning.
    EXPECT_EQ(ExportFindings("kb <kuid:44:55>\n"),
              (std::vector<Finding>{{2, FindingText("$dod_val_kuidnotindatabase", "<kuid:44:55>").c_str()}}));
    EXPECT_TRUE(exportResult_);
}

TEST_F(FieldTypeTest, RangesAreInclusiveAndReportOnce)
{
    EXPECT_TRUE(ExportFindings("r \"1,5\"\n").empty());
    EXPECT_EQ(ExportFindings("r \"0,6,9\"\n"),
              (std::vector<Finding>{{3, FindingText("$dod_val_notwithinrange", "r", 1.0, 5.0).c_str()}}));
}

TEST_F(FieldTypeTest, ZerosArePositiveButNotNonZero)
{
    EXPECT_TRUE(ExportFindings("pos \"0,0\"\n").empty());
    EXPECT_EQ(ExportFindings("nz \"0,0\"\n"),
              (std::vector<Finding>{{3, FindingText("$dod_val_notzero", "nz").c_str()}}));
    EXPECT_EQ(ExportFindings("pos \"-1\"\n"),
              (std::vector<Finding>{{3, FindingText("$dod_val_notpositive", "pos").c_str()}}));
}

TEST_F(FieldTypeTest, EveryBoundValidatorRunsAndAnUnknownNameIsIgnored)
{
    ASSERT_TRUE(ReadConfig("kind \"probe\"\nboth \"-1,0\"\n"));
    EXPECT_EQ(TagNamed("both")->ValidatorCount(), 2u);
    EXPECT_EQ(ExportFindings("both \"-1,0\"\n"), (std::vector<Finding>{
                                                     {3, FindingText("$dod_val_notpositive", "both").c_str()},
                                                     {3, FindingText("$dod_val_notzero", "both").c_str()},
                                                 }));
}

TEST_F(FieldTypeTest, ArraySizesAreNotCheckedBefore289)
{
    EXPECT_TRUE(ExportFindings("sz \"1 2\"\n", "2.8").empty());
    EXPECT_TRUE(ExportFindings("sz \"1 2\"\n", "2.88").empty());
    EXPECT_EQ(ExportFindings("sz \"1 2\"\n", "2.89"),
              (std::vector<Finding>{{3, FindingText("$dod_val_arraywrongsize", "sz", 3, 2).c_str()}}));
    EXPECT_TRUE(ExportFindings("sz \"1 2 3\"\n", "2.9").empty());
}

TEST_F(FieldTypeTest, TracksideTypeCollateMeshesScriptsAndPairs)
{
    EXPECT_EQ(ExportFindings("tt \"x\"\n"),
              (std::vector<Finding>{{3, FindingText("$dod_val_notype", "tt", "type", "trackside").c_str()}}));
    EXPECT_EQ(ExportFindings("tt \"x\"\ntype \"signal\"\n"),
              (std::vector<Finding>{{3, FindingText("$dod_val_wrongtype", "type", "trackside", "tt").c_str()}}));
    EXPECT_TRUE(ExportFindings("tt \"x\"\ntype \"trackside\"\n").empty());
    EXPECT_EQ(ExportFindings("cm \"x\"\n"),
              (std::vector<Finding>{{3, FindingText("$dod_val_nocollatemeshes", "cm", "collate-meshes").c_str()}}));
    EXPECT_EQ(ExportFindings("pair-a \"x\"\n"),
              (std::vector<Finding>{{3, FindingText("$dod_val_mustbepaired", "pair-a", "pair-b").c_str()}}));
    EXPECT_TRUE(ExportFindings("pair-a \"x\"\npair-b \"y\"\n").empty());

    const std::string folder = MakeAsset("scripted", "kind \"probe\"\n");
    WriteFile(folder + "/main.gs", "class X {};");
    DODLib::DataManager::Instance()->SetAsset(Zel::PString("editing"), Zel::File::Path("scripted/"));
    EXPECT_TRUE(ExportFindings("sc \"main\"\n").empty());
    EXPECT_TRUE(ExportFindings("sc \"main.gse\"\n").empty());
    EXPECT_EQ(ExportFindings("sc \"other\"\n"),
              (std::vector<Finding>{{3, FindingText("$dod_val_scriptfiledne", "other").c_str()}}));
}

TEST_F(FieldTypeTest, ThreeChildrenOfOneNameGiveTwoDuplicateFindings)
{
    SoupHandle config = ParseSoup("kind \"probe\"\nkorvel-build 3.0\ngroup\n{\nsame\n{\nx 1\n}\n}\n");
    SoupHandle group = config.GetNamedSoup(Zel::PString("group"));
    ChunkRef item = group.Root()->GetNamedTag(Zel::PString("same"));
    group.GetContainer()->AddNamedTag(Zel::PString("same"), item);
    group.GetContainer()->AddNamedTag(Zel::PString("same"), item);
    DODLib::DataManager::Instance()->LoadTemplates();
    container_ = std::make_unique<DODLib::Container>();
    ASSERT_TRUE(container_->Validate(config));
    DODLib::ErrorHandler::Instance()->Clear();
    SoupHandle out;
    EXPECT_FALSE(container_->Export(out));
    const Finding duplicate{3, FindingText("$dod_val_duplicatecontainername", "same", "group").c_str()};
    EXPECT_EQ(Findings(), (std::vector<Finding>{duplicate, duplicate}));
}

TEST_F(FieldTypeTest, MeshTablesNeedAShadowAndAVisibleMesh)
{
    const std::string folder = MakeAsset("meshy", "kind \"meshy\"\n");
    WriteFile(folder + "/a.im", "a");
    DODLib::DataManager::Instance()->SetAsset(Zel::PString("editing"), Zel::File::Path("meshy/"));
    ASSERT_TRUE(ReadConfig("kind \"meshy\"\nmesh-table\n{\ndefault\n{\nmesh \"a.im\"\nauto-create 0\n}\n}\n"));
    DODLib::ErrorHandler::Instance()->Clear();
    SoupHandle out;
    ASSERT_TRUE(container_->Export(out));
    EXPECT_FALSE(container_->RunContainerValidators());
    EXPECT_EQ(Findings(),
              (std::vector<Finding>{{2, Text("$dod_val_shadow_missing")}, {2, Text("$dod_val_no_visible_mesh")}}));
}

TEST_F(FieldTypeTest, ATextureTagMustNameATextureFile)
{
    const std::string folder = MakeAsset("tex", "kind \"tex\"\n");
    WriteFile(folder + "/wood.texture.txt", "Primary=wood.bmp\r\n");
    DODLib::DataManager::Instance()->SetAsset(Zel::PString("editing"), Zel::File::Path("tex/"));
    for (const auto& [config, expected] :
         {std::pair{std::string("texture \"wood.texture\"\n"), std::vector<Finding>{}},
          std::pair{std::string("texture \"oak\"\n"),
                    std::vector<Finding>{{3, FindingText("$dod_val_texturefiledne", "oak").c_str()}}},
          std::pair{std::string(""), std::vector<Finding>{{3, Text("$dod_val_texturefilenotspecified")}}}}) {
        ASSERT_TRUE(ReadConfig("kind \"tex\"\n" + config));
        DODLib::ErrorHandler::Instance()->Clear();
        SoupHandle out;
        container_->Export(out);
        EXPECT_EQ(container_->RunContainerValidators(), expected.empty());
        EXPECT_EQ(Findings(), expected) << config;
    }
}

class AttachmentTest : public FieldTypeTest {
protected:
    void SetUp() override
    {
        FieldTypeTest::SetUp();
        const std::string folder = MakeAsset("att", "kind \"probe\"\n");
        WriteFile(folder + "/body.im", "mesh");
        WriteFile(folder + "/lamp.im", "mesh");
        DODLib::DataManager* manager = DODLib::DataManager::Instance();
        manager->SetAsset(Zel::PString("editing"), Zel::File::Path("att/"));
        // Meshes whose attachment points are known.
        manager->SetMeshLoader([](const Zel::PString& file, bool, DODLib::Container*) {
            auto mesh = std::make_unique<DODLib::MeshData>();
            mesh->SetInspected(true);
            mesh->AddAttachmentPoint(
                Zel::PString(file.View().find("body") != std::string_view::npos ? "a.roof" : "a.bulb"));
            return mesh;
        });
    }
};

TEST_F(AttachmentTest, AnAttachmentMustBeOfferedByTheParentMesh)
{
    EXPECT_TRUE(ExportFindings("mesh-table\n{\ndefault\n{\nmesh \"body.im\"\n}\n"
                               "lamp\n{\nmesh \"lamp.im\"\natt \"a.roof\"\natt-parent \"default\"\n}\n}\n")
                    .empty());
    EXPECT_EQ(ExportFindings("mesh-table\n{\ndefault\n{\nmesh \"body.im\"\n}\n"
                             "lamp\n{\nmesh \"lamp.im\"\natt \"a.nowhere\"\natt-parent \"default\"\n}\n}\n"),
              (std::vector<Finding>{
                  {3, FindingText("$dod_container_notavalidpossibility", "a.nowhere", "lamp", "body.im").c_str()}}));
    EXPECT_EQ(ExportFindings("mesh-table\n{\nlamp\n{\nmesh \"lamp.im\"\natt \"a.nowhere\"\n}\n}\n"),
              (std::vector<Finding>{{3, FindingText("$dod_container_noattparent", "lamp").c_str()}}));
}

TEST_F(AttachmentTest, AParentMustBeAnotherMeshOfTheTable)
{
    EXPECT_EQ(ExportFindings("mesh-table\n{\ndefault\n{\nmesh \"body.im\"\natt-parent \"missing\"\n}\n}\n"),
              (std::vector<Finding>{{3, FindingText("$dod_container_notavalidpossibility2", "att-parent", "missing",
                                                    "mesh-table\\default")
                                            .c_str()}}));
    EXPECT_EQ(ExportFindings("mesh-table\n{\ndefault\n{\nmesh \"body.im\"\natt-parent \"default\"\n}\n}\n"),
              (std::vector<Finding>{{3, Text("$dod_val_notownparent")}}));
}

TEST_F(AttachmentTest, EffectsNameTheirMeshsPointsAndLights)
{
    EXPECT_TRUE(ExportFindings("mesh-table\n{\ndefault\n{\nmesh \"body.im\"\n"
                               "effects\n{\nglow\n{\nkind \"corona\"\natt \"a.roof\"\nlight \"1\"\n}\n}\n"
                               "lights\n{\n1\n{\nradius 2\n}\n}\n}\n}\n")
                    .empty());
    // A failed attachment stops the string tags after it: the light is not checked.
    EXPECT_EQ(ExportFindings("mesh-table\n{\ndefault\n{\nmesh \"body.im\"\n"
                             "effects\n{\nglow\n{\nkind \"corona\"\natt \"a.sky\"\nlight \"1, 2\"\n}\n}\n"
                             "lights\n{\n1\n{\nradius 2\n}\n}\n}\n}\n"),
              (std::vector<Finding>{
                  {3, FindingText("$dod_val_mustbeownparent", "a.sky", "body.im").c_str()},
                  {3, FindingText("$dod_container_notavalidpossibility", "a.sky", "glow", "body.im").c_str()},
              }));
    // "1, 2" names the lights 1, 0 and 2.
    EXPECT_EQ(ExportFindings("mesh-table\n{\ndefault\n{\nmesh \"body.im\"\n"
                             "effects\n{\nglow\n{\nkind \"corona\"\natt \"a.roof\"\nlight \"1, 2\"\n}\n}\n"
                             "lights\n{\n1\n{\nradius 2\n}\n}\n}\n}\n"),
              (std::vector<Finding>{
                  {3, FindingText("$dod_val_mustbeinlightcontainer", 0).c_str()},
                  {3, FindingText("$dod_val_mustbeinlightcontainer", 2).c_str()},
              }));
    EXPECT_EQ(ExportFindings("mesh-table\n{\ndefault\n{\nmesh \"body.im\"\n"
                             "effects\n{\nglow\n{\nkind \"corona\"\nlight \"1\"\n}\n}\n}\n}\n"),
              (std::vector<Finding>{{3, Text("$dod_val_musthavealightcontainer")}}));
}

}  // namespace
}  // namespace TemplateTests
