// Opening archives with their checks, and normalising an entry into the config to install.
#include <gtest/gtest.h>

#include "archive_test_support.h"
#include "soup/archive_builder.h"
#include "soup/archive_reader.h"

using namespace ArchiveTest;

namespace {

Zel::PString Name(const char* text)
{
    return Zel::PString(text);
}

SoupHandle TwoAssetArchive()
{
    SoupHandle archive;
    SoupHandle a = Entry(KUID(5, 100, 0));
    SoupHandle b = Entry(KUID(5, 101, 0));
    AddAssetToArchive(archive, a);
    AddAssetToArchive(archive, b);
    return archive;
}

std::string Save(const TemporaryFolder& folder, const SoupHandle& soup, const char* name)
{
    const std::string path = folder / name;
    soup.SaveToFile(Zel::PString(), path.c_str());
    return path;
}

}  // namespace

TEST(ArchiveReader, OpenChecksKindCountsAndVersion)
{
    TemporaryFolder folder;
    struct Case {
        const char* name;
        void (*change)(SoupHandle&);
        const char* error;
    };
    const Case cases[] = {
        {"good", [](SoupHandle&) {}, ""},
        {"kind with capitals", [](SoupHandle& a) { a.SetNamedTag(Name("kind"), "ARCHIVE"); }, ""},
        {"other kind", [](SoupHandle& a) { a.SetNamedTag(Name("kind"), "scenery"); },
         "Content could not be read, as the file is not a valid CDP"},
        {"no kind", [](SoupHandle& a) { a.RemoveNamedTag(Name("kind")); },
         "Content could not be read, as the file is not a valid CDP"},
        {"short contents table",
         [](SoupHandle& a) { a.GetNamedSoup(Name("contents-table")).RemoveNamedTag(Name("1")); },
         "Content could not be read, as the CDP file is damaged"},
        {"newer version", [](SoupHandle& a) { a.SetNamedTagInt(Name("package-version"), 2); },
         "This content requires a newer Korvel version"},
        {"no version", [](SoupHandle& a) { a.RemoveNamedTag(Name("package-version")); },
         "This content requires a newer Korvel version"},
    };
    for (const Case& c : cases) {
        SoupHandle archive = TwoAssetArchive();
        c.change(archive);
        const std::string path = Save(folder, archive, "case.cdp");
        SoupHandle opened;
        EXPECT_STREQ(OpenArchive(opened, Zel::PString(), path.c_str()).c_str(), c.error) << c.name;
        EXPECT_EQ(opened.Root().Get() == nullptr, c.error[0] != '\0') << c.name;
    }
    SoupHandle missing;
    EXPECT_STREQ(OpenArchive(missing, Zel::PString(), (folder / "none.cdp").c_str()).c_str(),
                 "Content could not be read, as the file is not a valid CDP");
    const std::string junk = folder / "junk.cdp";
    FILE* file = fopen(junk.c_str(), "wb");
    fputs("ACS$ not really", file);
    fclose(file);
    EXPECT_STREQ(OpenArchive(missing, Zel::PString(), junk.c_str()).c_str(),
                 "Content could not be read, as the file is not a valid CDP");
}

TEST(ArchiveReader, NormaliseCleansTheConfig)
{
    SoupHandle soup = Entry(KUID(5, 100, 0), "SceneRy");
    SoupHandle files;
    SetFile(files, "a.txt", "abc");
    soup.SetNamedSoup(Name("files"), files);
    soup.SetNamedTag(Name("dsid"), "3:0");
    soup.SetNamedTag(Name("compression"), "LZSS");
    soup.SetNamedTag(Name("folder-icon"), "icon");
    soup.SetNamedTag(Name(".cache"), "stale");
    soup.SetNamedTagKUID(Name("bogey"), KUID(9, 9, 0));
    CDPAssetEntry entry(soup);

    const SoupHandle config = NormaliseAssetConfig(entry);
    EXPECT_TRUE(entry.modified);
    EXPECT_EQ(TagNames(config), (std::vector<std::string>{"kuid", "bogey", "kind", "kuid-table"}));
    EXPECT_STREQ(config.GetNamedTag(Name("kind")).c_str(), "scenery");
    EXPECT_EQ(TableIds(config.GetNamedSoup(Name("kuid-table"))), (std::vector<KUID>{{9, 9, 0}}));
    // The entry itself is left alone.
    EXPECT_STREQ(soup.GetNamedTag(Name("kind")).c_str(), "SceneRy");
    EXPECT_TRUE(soup.HasNamedTag(Name("files")));
}

TEST(ArchiveReader, NormaliseLeavesACleanConfigUnmarked)
{
    SoupHandle soup = Entry(KUID(5, 100, 0), "scenery");
    CDPAssetEntry entry(soup);
    const SoupHandle config = NormaliseAssetConfig(entry);
    EXPECT_FALSE(entry.modified);
    EXPECT_EQ(TagNames(config), (std::vector<std::string>{"kuid", "kind", "kuid-table"}));
}
