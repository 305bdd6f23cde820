// Building archives: entries, the id tables and their order, refusals, saving.
#include <gtest/gtest.h>

#include "foundation/streams/t_buffer.h"
#include "archive_test_support.h"
#include "soup/archive_builder.h"
#include "soup/archive_reader.h"
#include "soup/binary_soup.h"
#include "soup/content_signature.h"

using namespace ArchiveTest;

namespace {

const std::vector<std::string> kTopLevelOrder = {"assets",         "contents-table", "kuid-table",
                                                 "obsolete-table", "kind",           "package-version"};

Zel::PString Name(const char* text)
{
    return Zel::PString(text);
}

}  // namespace

TEST(ArchiveBuilder, NewEntryAsksForCompression)
{
    CDPAssetEntry entry;
    EXPECT_FALSE(entry.modified);
    EXPECT_STREQ(entry.GetCompression().c_str(), "LZSS");
    EXPECT_EQ(entry.soup.CountTags(), 1);
    EXPECT_FALSE(entry.HasKUID());
}

TEST(ArchiveBuilder, AddsEntriesAndTables)
{
    SoupHandle archive;
    SoupHandle first = Entry(KUID(5, 100, 0));
    SoupHandle second = Entry(KUID(5, 101, 2));
    second.SetNamedTagKUID(Name("bogey"), KUID(5, 100, 0));
    second.SetNamedTagKUID(Name("enginespec"), KUID(6, 1, 0));
    EXPECT_STREQ(AddAssetToArchive(archive, first).c_str(), "");
    EXPECT_EQ(TagNames(archive), kTopLevelOrder);
    EXPECT_STREQ(AddAssetToArchive(archive, second).c_str(), "");
    EXPECT_EQ(TagNames(archive), kTopLevelOrder);

    EXPECT_EQ(TagNames(archive.GetNamedSoup(Name("assets"))),
              (std::vector<std::string>{"<kuid:5:100>", "<kuid2:5:101:2>"}));
    EXPECT_EQ(TagNames(archive.GetNamedSoup(Name("contents-table"))), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(TableIds(archive.GetNamedSoup(Name("contents-table"))), (std::vector<KUID>{{5, 100, 0}, {5, 101, 2}}));
    EXPECT_EQ(TableIds(archive.GetNamedSoup(Name("kuid-table"))), (std::vector<KUID>{{6, 1, 0}}));
    EXPECT_EQ(archive.GetNamedTagType(Name("obsolete-table")), SoupTypeContainer);
    EXPECT_EQ(archive.GetNamedSoup(Name("obsolete-table")).CountTags(), 0);
    EXPECT_STREQ(archive.GetNamedTag(Name("kind")).c_str(), "archive");
    EXPECT_EQ(archive.GetNamedTagType(Name("package-version")), SoupTypeInt);
    EXPECT_EQ(archive.GetNamedTagAsInt(Name("package-version"), 0), 1);

    EXPECT_EQ(CountArchiveAssets(archive), 2);
    EXPECT_EQ(FindArchiveAsset(archive, KUID(5, 101, 2)), 1);
    EXPECT_EQ(FindArchiveAsset(archive, KUID(5, 101, 0)), -1);
    CDPAssetEntry shared = GetArchiveAsset(archive, 0);
    shared.soup.SetNamedTag(Name("username"), "changed through the archive");
    EXPECT_STREQ(first.GetNamedTag(Name("username")).c_str(), "changed through the archive");
}

TEST(ArchiveBuilder, RefusesEntriesWithoutIdOrAlreadyPresent)
{
    SoupHandle archive;
    SoupHandle entry = Entry(KUID(5, 100, 0));
    ASSERT_STREQ(AddAssetToArchive(archive, entry).c_str(), "");
    const std::string before = [&] {
        TBuffer buffer;
        WriteSoupToStream(archive, buffer);
        return std::string(reinterpret_cast<const char*>(buffer.Data()), size_t(buffer.DataLength()));
    }();

    SoupHandle again = Entry(KUID(5, 100, 0));
    EXPECT_STREQ(AddAssetToArchive(archive, again).c_str(),
                 "Unable to add content as an item with KUID <kuid:5:100> is already present");
    SoupHandle nameless;
    nameless.SetNamedTag(Name("kind"), "scenery");
    EXPECT_STREQ(AddAssetToArchive(archive, nameless).c_str(),
                 "Unable to add content as it doesnt not contain a valid KUID");

    TBuffer after;
    WriteSoupToStream(archive, after);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(after.Data()), size_t(after.DataLength())), before);
}

TEST(ArchiveBuilder, ObsoletesAreListed)
{
    SoupHandle archive;
    SoupHandle entry = Entry(KUID(7, 1, 1));
    entry.SetNamedTagKUID(Name("obsoletes-kuid"), KUID(7, 1, 0));
    ASSERT_STREQ(AddAssetToArchive(archive, entry).c_str(), "");
    EXPECT_EQ(TableIds(archive.GetNamedSoup(Name("obsolete-table"))), (std::vector<KUID>{{7, 1, 0}}));
}

TEST(ArchiveBuilder, WritesAndReopens)
{
    TemporaryFolder folder;
    SoupHandle archive;
    SoupHandle entry = Entry(KUID(5, 100, 0));
    SoupHandle files;
    SetFile(files, "config.txt", "kind scenery\r\n");
    entry.SetNamedSoup(Name("files"), files);
    entry.SetNamedTag(Name("compression"), "");
    StoreAssetDsid(entry);
    ASSERT_STREQ(AddAssetToArchive(archive, entry).c_str(), "");

    EXPECT_STREQ(WriteArchiveFile(archive, (folder / "out.zip").c_str()).c_str(),
                 "Unable to write archive file. Needs to be .cdp file extension");
    EXPECT_FALSE(Exists(folder / "out.zip"));
    ASSERT_STREQ(WriteArchiveFile(archive, (folder / "out.cdp").c_str()).c_str(), "");

    SoupHandle reopened;
    ASSERT_STREQ(OpenArchive(reopened, Zel::PString(), (folder / "out.cdp").c_str()).c_str(), "");
    ASSERT_EQ(CountArchiveAssets(reopened), 1);
    const CDPAssetEntry read = GetArchiveAsset(reopened, 0);
    EXPECT_EQ(read.GetKUID(), KUID(5, 100, 0));
    EXPECT_TRUE(VerifyAssetDsid(read.soup));
    const RawDataRef bytes = read.GetFilesSoup().GetNamedTagBlock(Name("config.txt"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(BlockData(bytes)), size_t(BlockSize(bytes))),
              "kind scenery\r\n");
}

TEST(ArchiveBuilder, FormatsErrors)
{
    EXPECT_STREQ(FormatArchiveError("%s-%d", "a", 5).c_str(), "a-5");
    const std::string longText(1000, 'x');
    EXPECT_EQ(FormatArchiveError("%s!", longText.c_str()).View(), longText + "!");
}

namespace {

std::string BinaryOf(const SoupHandle& soup)
{
    TBuffer buffer;
    WriteSoupToStream(soup, buffer);
    return std::string(reinterpret_cast<const char*>(buffer.Data()), size_t(buffer.DataLength()));
}

// Entries that use one another, ids outside the archive, obsoletes, a
// repeated id and one without an id, in an order that exercises each table.
std::vector<SoupHandle> MixedEntries(int count)
{
    std::vector<SoupHandle> entries;
    for (int i = 0; i < count; ++i) {
        SoupHandle entry = Entry(KUID(9, 1000 + i, i % 3));
        if (i > 0)
            entry.SetNamedTagKUID(Name("bogey"), KUID(9, 1000 + i - 1, (i - 1) % 3));
        entry.SetNamedTagKUID(Name("enginespec"), KUID(11, i % 17, 0));
        if (i % 5 == 0)
            entry.SetNamedTagKUID(Name("obsoletes-kuid"), KUID(9, 1000 + i, 7));
        SoupHandle files;
        SetFile(files, "model.im", std::string(size_t(100 + i), char('a' + i % 26)));
        entry.SetNamedSoup(Name("files"), files);
        entries.push_back(entry);
        if (i == count / 2)
            entries.push_back(Entry(KUID(9, 1000 + i, i % 3)));
        if (i == count / 3) {
            SoupHandle nameless;
            nameless.SetNamedTag(Name("kind"), "scenery");
            entries.push_back(nameless);
        }
    }
    return entries;
}

}  // namespace

TEST(ArchiveBuilder, BuilderGivesTheBytesOfAddingOneByOne)
{
    for (int count : {0, 1, 2, 130}) {
        SCOPED_TRACE(count);
        std::vector<SoupHandle> entries = MixedEntries(count);
        SoupHandle archive;
        ArchiveBuilder builder;
        int refused = 0;
        for (SoupHandle& entry : entries) {
            const Zel::PString old = AddAssetToArchive(archive, entry);
            const Zel::PString now = builder.Add(entry);
            EXPECT_STREQ(now.c_str(), old.c_str());
            refused += old.IsEmpty() ? 0 : 1;
        }
        EXPECT_EQ(refused, count > 0 ? 2 : 0);
        EXPECT_EQ(builder.Count(), count);
        const SoupHandle built = builder.Finish();
        EXPECT_EQ(BinaryOf(built), BinaryOf(archive));
        if (count > 0)
            EXPECT_EQ(TagNames(built), kTopLevelOrder);
        else
            EXPECT_EQ(built.CountTags(), 0);
    }
}
