// File::Path editing: separators, joins, extensions, normalisation, relative paths.
#include <gtest/gtest.h>

#include "zel/path.h"

using Path = Zel::File::Path;

TEST(PathTest, AddPathJoinsWithOneSeparator)
{
    struct Case {
        const char* base;
        const char* part;
        const char* expected;
    } cases[] = {
        {"", "x.gs", "x.gs"}, {"a", "b", "a/b"},    {"a/", "b", "a/b"},
        {"a", "/b", "a/b"},   {"a/", "/b", "a/b"},  {"a", "b\\c\\d.txt", "a/b/c/d.txt"},
        {"a", "", "a"},       {"/", "etc", "/etc"}, {"root\\", "x", "root\\x"},
    };
    for (const Case& c : cases) {
        Path p(c.base);
        p.AddPath(c.part);
        EXPECT_EQ(p.Str(), c.expected) << c.base << " + " << c.part;
    }
}

TEST(PathTest, ReplaceForwardSlashesNormalisesEverySeparator)
{
    Path p("c:\\Games\\Korvel/bin\\x");
    p.ReplaceForwardSlashes();
    EXPECT_EQ(p.Str(), "c:/Games/Korvel/bin/x");
}

TEST(PathTest, NormalizeIsLexical)
{
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"/a/b/../c", "/a/c"},
        {"/a/./b//c/", "/a/b/c/"},
        {"a\\b\\..\\..\\..\\c", "../c"},
        {"/..", "/"},
        {"a/b/.", "a/b"},
        {"./x", "x"},
        {"/usr/bin/KorvelUtil", "/usr/bin/KorvelUtil"},
        {"c:/a/../..", "c:"},
        {"", ""},
    };
    for (const Case& c : cases) {
        Path p(c.in);
        p.Normalize();
        EXPECT_EQ(p.Str(), c.out) << c.in;
    }
}

TEST(PathTest, SetExtReplacesOrRemovesTheLastExtension)
{
    struct Case {
        const char* in;
        const char* ext;
        const char* out;
    } cases[] = {
        {"a/b.texture.txt", nullptr, "a/b.texture"},
        {"a/b.gs", "gse", "a/b.gse"},
        {"a/b", "txt", "a/b.txt"},
        {"a.d/b", ".txt", "a.d/b.txt"},
        {"a.d/b", "", "a.d/b"},
        {"x.GS", "gs", "x.gs"},
    };
    for (const Case& c : cases) {
        Path p(c.in);
        p.SetExt(c.ext);
        EXPECT_EQ(p.Str(), c.out) << c.in;
    }
}

TEST(PathTest, IsExtIgnoresCase)
{
    EXPECT_TRUE(Path("out/archive.CDP").IsExt("cdp"));
    EXPECT_TRUE(Path("out/archive.cdp").IsExt(".CDP"));
    EXPECT_FALSE(Path("out/archive.cdp2").IsExt("cdp"));
    EXPECT_FALSE(Path("out.cdp/archive").IsExt("cdp"));
    EXPECT_TRUE(Path("noext").IsExt(""));
    EXPECT_EQ(Path("a/b.Texture.TXT").GetExt(), "TXT");
}

TEST(PathTest, FileNameStartsAfterTheLastSlashBackslashOrColon)
{
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"a/b/c.txt", "c.txt"},
        {"a\\b\\c.gs", "c.gs"},
        {"C:script.gs", "script.gs"},
        {"C:\\dir\\x.gs", "x.gs"},
        {"a/b:c.gs", "c.gs"},
        {"plain", "plain"},
        {"ends/", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Path(c.in).GetFileName(), c.out) << c.in;
}

TEST(PathTest, NamePartsAndFolders)
{
    Path p("a/b/c.txt");
    EXPECT_EQ(p.GetFileName(), "c.txt");
    p.DelName();
    EXPECT_EQ(p.Str(), "a/b/");
    p.DelName(true);
    EXPECT_EQ(p.Str(), "a/b");
    Path q("a/b/c.txt");
    q.DelName(true);
    EXPECT_EQ(q.Str(), "a/b");
    Path r("a/b/c.txt");
    r.DelPath();
    EXPECT_EQ(r.Str(), "c.txt");
    Path s("x/y/");
    s.DelSlash();
    EXPECT_EQ(s.Str(), "x/y");
    Path root("/");
    root.DelSlash();
    EXPECT_EQ(root.Str(), "/");
}

TEST(PathTest, PrevDirGoesUpOneFolder)
{
    struct Case {
        const char* in;
        bool ok;
        const char* out;
    } cases[] = {
        {"a/b/c", true, "a/b/"}, {"a/b/c/", true, "a/b/"}, {"/a", true, "/"}, {"a", false, "a"}, {"/", false, "/"},
    };
    for (const Case& c : cases) {
        Path p(c.in);
        EXPECT_EQ(p.PrevDir(), c.ok) << c.in;
        EXPECT_EQ(p.Str(), c.out) << c.in;
    }
}

TEST(PathTest, MakeRelativeToWorksOnWholeComponents)
{
    struct Case {
        const char* path;
        const char* base;
        bool ok;
        const char* out;
    } cases[] = {
        {"/r/UserData/local/x.txt", "/r/UserData", true, "local/x.txt"},
        {"/r/UserData/local/x.txt", "/r/userdata/", true, "local/x.txt"},
        {"/r/UserData2/x", "/r/UserData", false, "/r/UserData2/x"},
        {"/r/UserData", "/r/UserData", true, ""},
        {"\\r\\game\\a", "/r/game", true, "a"},
        {"/r/gamedata/a", "/r/game", false, "/r/gamedata/a"},
    };
    for (const Case& c : cases) {
        Path p(c.path);
        EXPECT_EQ(p.MakeRelativeTo(Path(c.base)), c.ok) << c.path;
        EXPECT_EQ(p.Str(), c.out) << c.path;
    }
}

TEST(PathTest, AbsoluteForms)
{
    for (const char* absolute : {"/usr", "\\\\server\\share", "c:\\x", "C:/x", "\\x"})
        EXPECT_TRUE(Path::IsAbsolute(absolute)) << absolute;
    for (const char* relative : {"", "usr", "c:x", "./a", "a/b"})
        EXPECT_FALSE(Path::IsAbsolute(relative)) << relative;
}

TEST(PathTest, ExtractFirstPathAndDel)
{
    Path p("assets/meshes/body.im");
    EXPECT_EQ(p.ExtractFirstPath(), "assets");
    EXPECT_EQ(p.Str(), "meshes/body.im");
    EXPECT_EQ(p.ExtractFirstPath(), "meshes");
    EXPECT_EQ(p.ExtractFirstPath(), "");
    EXPECT_EQ(p.Str(), "body.im");
    Path q("/long/asset/folder/file");
    q.Del(0, 12);
    EXPECT_EQ(q.Str(), "folder/file");
    Path l("MiXeD/Path");
    l.ToLower();
    EXPECT_EQ(l.Str(), "mixed/path");
}
