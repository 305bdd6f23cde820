// The script folder listing and source reads of a check: which entries count as files, their order, the text checksum.
#include "scripthost/asset_script_cache_listing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "foundation/base/crc32.h"
#include "support/temp_folder.h"

namespace {

TEST(AssetScriptCacheListing, FilesAndLinksToFilesInListingOrderNothingElse)
{
    KorvelTest::TempFolder folder("ScriptListing");
    for (const char* name : {"b.gs", "a.gs", "A.gs", "notes.txt"})
        folder.MakeFile(name, name);
    folder.MakeFolder("c.gs");
    ASSERT_EQ(symlink((folder / "b.gs").c_str(), (folder / "d.gs").c_str()), 0);
    ASSERT_EQ(symlink((folder / "gone.gs").c_str(), (folder / "e.gs").c_str()), 0);
    ASSERT_EQ(symlink((folder / "c.gs").c_str(), (folder / "f.gs").c_str()), 0);

    std::vector<std::string> names;
    ASSERT_TRUE(ListFolderFiles(folder.Root(), names));
    EXPECT_EQ(names, (std::vector<std::string>{"A.gs", "a.gs", "b.gs", "d.gs", "notes.txt"}));
    EXPECT_FALSE(ListFolderFiles(folder / "missing", names));
    EXPECT_TRUE(names.empty());
}

TEST(AssetScriptCacheListing, PlainSourceChecksumIsThatOfItsTextAndUnreadableOnesHaveNone)
{
    KorvelTest::TempFolder folder("ScriptText");
    const std::string text = "include \"gs.gs\"\nclass Lamp isclass GameObject { };\n";
    folder.MakeFile("lamp.gs", text);
    folder.MakeFile("empty.gs", "");
    folder.MakeFolder("folder.gs");
    struct Case {
        const char* name;
        bool read;
        std::string text;
    };
    const Case cases[] = {
        {"lamp.gs", true, text},   {"empty.gs", true, ""},     {"folder.gs", false, ""},
        {"missing.gs", false, ""}, {"missing.gse", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint32_t checksum = 0;
        EXPECT_EQ(ScriptTextChecksum(folder / c.name, checksum), c.read);
        if (c.read) {
            EXPECT_EQ(checksum, Crc32(c.text.data(), c.text.size()));
        }
    }
}

}  // namespace
