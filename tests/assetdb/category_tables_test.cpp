// The category tables and code-list matching: lookups, expressions, hash tags, display names and build versions.
#include <gtest/gtest.h>

#include <string>

#include "interfacetext/interface_text_db.h"
#include "assetdb/category_codes.h"
#include "assetdb/category_tables.h"
#include "soup/soup_handle.h"

namespace {

TEST(CategoryTables, KindLookupUsesSubTypesAndTheFirstFittingRow)
{
    struct Case {
        const char* kind;
        const char* subTypes;
        const char* category;
    } cases[] = {
        {"Bridge", "road;tunnels", "SPLN;TUN"},
        {"bridge", "road", "SPLN;BRG"},
        {"bridge", "", "SPLN;BRG"},
        {"TrainCar", "Locomotive", "TR;TV;LOCO"},
        {"traincar", "boxcar", "TR;TV"},
        // Shadowed by the plain "library" row that comes first.
        {"library", "achievementvariable", "SLIB"},
        {"nosuchkind", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(LookupCategoryForKind(Zel::PString(c.kind), Zel::PString(c.subTypes)).c_str(), c.category)
            << c.kind << " " << c.subTypes;
    }
}

TEST(CategoryTables, LegacyCodeLookupIgnoresCaseAndEmptyKinds)
{
    struct Case {
        const char* kind;
        const char* code;
        const char* category;
    } cases[] = {
        {"traincar", "AS", "TR;TV;TDR"}, {"TRAINCAR", "as", "TR;TV;TDR"}, {"anything", "FT", "FL;SCEN"},
        {"", "BIN", "BD;IND;ACTV"},      {"scenery", "BR", "BD;RRD"},     {"bridge", "TR", "TK;RLS"},
        {"scenery", "AS", ""},           {"traincar", "QQ", ""},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(LookupCategoryByCode(c.kind, c.code).c_str(), c.category) << c.kind << " " << c.code;
}

TEST(CategoryTables, MatchCodeAndCodeLists)
{
    EXPECT_TRUE(MatchCodeList("TR;-CMP", "TR;TV"));
    EXPECT_FALSE(MatchCodeList("TR;-CMP", "TR;CMP"));
    EXPECT_TRUE(MatchCodeList("BD|TR", "TR"));
    EXPECT_FALSE(MatchCodeList("BD|SY", "TR"));
    EXPECT_TRUE(MatchCodeList(nullptr, "TR"));
    EXPECT_TRUE(MatchCodeList("", "TR"));
    EXPECT_TRUE(MatchCodeList(";;TR;;", "TR"));

    EXPECT_TRUE(MatchCode("TR;TV;LOCO", "TV"));
    EXPECT_TRUE(MatchCode("TR;TV;LOCO", "LOCO;X"));
    EXPECT_FALSE(MatchCode("TR;TV;LOCO", "LOC"));
    EXPECT_FALSE(MatchCode("TR;TV;LOCO", "LOCOS"));
    // The search of the list stops at its first "|".
    EXPECT_FALSE(MatchCode("TR|TV", "TV"));
    EXPECT_FALSE(MatchCode(nullptr, "TR"));
    EXPECT_FALSE(MatchCode("TR", ""));
    EXPECT_FALSE(MatchCode("TR", "|TR"));
    EXPECT_TRUE(MatchCode("TR", "-TV"));

    EXPECT_STREQ(FirstCode("CMP;MESH").c_str(), "CMP");
    EXPECT_STREQ(FirstCode("BD|TR").c_str(), "BD");
    EXPECT_STREQ(FirstCode("").c_str(), "");
}

TEST(CategoryTables, HashTagsAreAppendedOnce)
{
    Zel::String result;
    AppendHashTags(result, "TR;TV", "fast;slow|fast");
    EXPECT_STREQ(result.c_str(), "TR;TV;#fast;#slow");
    AppendHashTags(result, "", "a");
    EXPECT_STREQ(result.c_str(), "#a");
    AppendHashTags(result, "TR;#a", "a");
    EXPECT_STREQ(result.c_str(), "TR;#a");
}

TEST(CategoryTables, DisplayNamesAndBuildVersions)
{
    struct Case {
        const char* username;
        const char* name;
        float build;  // 0: no build tag
        const char* display;
    } cases[] = {
        {"My_Loco", nullptr, 2.9f, "My_Loco"}, {"My_Loco", nullptr, 2.8f, "My Loco"},
        {"My_Loco", nullptr, 0.0f, "My Loco"}, {nullptr, "  \"Quoted\"\r\n", 3.5f, "Quoted"},
        {"", "fallback", 3.5f, "fallback"},
    };
    for (const Case& c : cases) {
        SoupHandle config;
        if (c.username)
            config.SetNamedTag(Zel::PString("username"), c.username);
        if (c.name)
            config.SetNamedTag(Zel::PString("name"), c.name);
        if (c.build != 0.0f)
            config.SetNamedTagFloat(Zel::PString("korvel-build"), c.build);
        EXPECT_STREQ(GetAssetDisplayName(config).c_str(), c.display);
    }
    const Zel::String untitled = GetInterfaceText("$cm_general_untitled");
    EXPECT_STREQ(TrimDisplayName("\t \"\" \n").c_str(), untitled.c_str());
    EXPECT_STREQ(TrimDisplayName(" \"\" ").c_str(), untitled.c_str());
    EXPECT_STREQ(TrimDisplayName(nullptr).c_str(), untitled.c_str());
    EXPECT_STREQ(TrimDisplayName("\xE2\x80\x9C"
                                 "Curly\xE2\x80\x9D")
                     .c_str(),
                 "Curly");

    SoupHandle config;
    EXPECT_FLOAT_EQ(GetConfigBuildVersion(config), 1.3f);
    config.SetNamedTag(Zel::PString("class"), "x");
    EXPECT_FLOAT_EQ(GetConfigBuildVersion(config), 2.0f);
    config.SetNamedTagFloat(Zel::PString("korvel-build"), 3.6f);
    EXPECT_FLOAT_EQ(GetConfigBuildVersion(config), 3.605f);
    config.SetNamedTagFloat(Zel::PString("korvel-build"), 100.0f);
    EXPECT_FLOAT_EQ(GetConfigBuildVersion(config), 2.0f);
}

TEST(CategoryTables, QuoteDetection)
{
    EXPECT_EQ(IsQuoteAt("'x", 2), 1);
    EXPECT_EQ(IsQuoteAt("\x93x", 2), 1);
    EXPECT_EQ(IsQuoteAt("\x93\xE9", 2), 0);
    EXPECT_EQ(IsQuoteAt("\xE2\x80\x98x", 4), 3);
    EXPECT_EQ(IsQuoteAt("\xE2\x80\x99x", 4), 0);
    const char closing[] = "x\xE2\x80\x9D";
    EXPECT_EQ(IsQuoteAt(closing + 3, -4), 3);
    EXPECT_EQ(IsQuoteAt(closing + 3, -2), 0);
    EXPECT_EQ(IsQuoteAt("x", 1), 0);
}

TEST(CategoryTables, TableShapes)
{
    EXPECT_TRUE(KindCategoryTable()[KindCategoryRowCount].kind.IsEmpty());
    EXPECT_STREQ(LegacyCodeCategoryTable()[LegacyCodeCategoryRowCount].categoryList, "");
    EXPECT_STREQ(CategoryDisplayNameTable()[3].name.c_str(), "Building");
    EXPECT_STREQ(CategoryDisplayNameTable()[CategoryDisplayNameRowCount].codeList, "");
    EXPECT_STREQ(KindNameTable()[KindNameRowCount - 1].codeList, "");
    EXPECT_EQ(KindNameTable()[KindNameRowCount - 1].flag, -1);
    // "AD" is stored as the bytes 44 41 20 20.
    EXPECT_EQ(RegionTable()[0].code, 0x20204144);
    EXPECT_STREQ(RegionTable()[0].name, "Andorra");
    EXPECT_STREQ(RegionTable()[243].name, "Zimbabwe");
    EXPECT_EQ(RegionTable()[244].code, RegionCode('0', '0'));
    EXPECT_STREQ(RegionTable()[RegionRowCount - 1].name, "ESP");
}

}  // namespace
