// The everyday asset commands end to end: real KorvelUtil processes, the real daemon and its store, archives built here.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "soup/acs_chunk.h"
#include "soup/acs_raw_data.h"
#include "soup/archive_builder.h"
#include "soup/content_signature.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"

namespace fs = std::filesystem;

namespace {

struct SampleAsset {
    KUID id;
    const char* kind;
    const char* name;
    const char* author;
    // File name to content; a name with '/' lies in a sub-folder.
    std::map<std::string, std::string> files;
};

void AddFile(SoupHandle& folder, const std::string& relative, const std::string& content)
{
    size_t slash = relative.find('/');
    if (slash != std::string::npos) {
        Zel::PString sub(relative.substr(0, slash).c_str());
        SoupHandle child = folder.GetNamedSoup(sub);
        child.EnsureContainer();
        AddFile(child, relative.substr(slash + 1), content);
        folder.SetNamedSoup(sub, child);
        return;
    }
    folder.SetNamedTagBlock(Zel::PString(relative.c_str()), SoupTypeRaw,
                            ACSRawDataCore::Copy(content.data(), int32_t(content.size())));
}

// A content archive of the samples, files stored without compression and
// signed, as an older tool would have written it.
void WriteSampleArchive(const std::string& path, const std::vector<SampleAsset>& samples)
{
    SoupHandle archive;
    for (const SampleAsset& sample : samples) {
        SoupHandle entry;
        entry.SetNamedTagKUID(Zel::PString("kuid"), sample.id);
        entry.SetNamedTag(Zel::PString("kind"), sample.kind);
        entry.SetNamedTag(Zel::PString("username"), sample.name);
        entry.SetNamedTag(Zel::PString("author"), sample.author);
        entry.SetNamedTagFloat(Zel::PString("korvel-build"), 3.5f);
        SoupHandle files;
        files.EnsureContainer();
        for (const auto& [name, content] : sample.files)
            AddFile(files, name, content);
        entry.SetNamedSoup(Zel::PString("files"), files);
        StoreAssetDsid(entry);
        Zel::PString error = AddAssetToArchive(archive, entry);
        ASSERT_TRUE(error.IsEmpty()) << error.c_str();
    }
    Zel::PString error = WriteArchiveFile(archive, path.c_str());
    ASSERT_TRUE(error.IsEmpty()) << error.c_str();
}

std::string BinaryText()
{
    std::string bytes;
    for (int i = 0; i < 3000; ++i)
        bytes.push_back(char((i * 7) & 0xFF));
    return bytes;
}

const KUID Loco{12345, 100, 0};
const KUID House{23456, 7, 1};
const KUID Shed{523, 9, 0};

std::vector<SampleAsset> Samples()
{
    return {
        {Loco,
         "traincar",
         "Sample Loco",
         "Ann Author",
         {{"readme.txt", "A sample loco.\r\n"}, {"art/picture.jpg", BinaryText()}}},
        {House, "scenery", "Sample House", "Bob Builder", {{"house.im", std::string("IM\0\1\2", 5)}}},
        {Shed, "scenery", "Sample Shed", "Somebody", {{"shed.im", "shed"}}},
    };
}

std::string Tag(const KUID& id)
{
    return id.ToTagString().c_str();
}

// Every regular file below a folder, relative path to content.
std::map<std::string, std::string> FilesBelow(const std::string& folder)
{
    std::map<std::string, std::string> files;
    if (!fs::is_directory(folder))
        return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        files[fs::relative(entry.path(), folder).string()] = content.str();
    }
    return files;
}

// Leaves out the config files, which the store may rewrite.
std::map<std::string, std::string> ContentFiles(const std::string& folder)
{
    std::map<std::string, std::string> files = FilesBelow(folder);
    files.erase("config.txt");
    files.erase("config.chump");
    return files;
}

std::vector<std::string> SortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

class AssetStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        // New ids are drawn for this user (the daemon reads its configuration at start).
        installation.WriteFile("UserData/assets.tdx/kaddaemon.cfg",
                               "kuid-user-id                            12345\r\n");
        archivePath = installation.PathOf("samples.cdp");
        WriteSampleArchive(archivePath, Samples());
        E2E::RunResult install = installation.Run({"installcdp", archivePath});
        ASSERT_EQ(install.exitStatus, 0) << install.out << install.err;
    }

    // The folder `edit` prints for the asset ("+ <tag> : <folder>").
    std::string EditFolder(const KUID& id)
    {
        E2E::RunResult run = installation.Run({"edit", Tag(id)});
        EXPECT_EQ(run.exitStatus, 0) << run.out;
        std::string prefix = "+ " + Tag(id) + " : ";
        size_t at = run.out.find(prefix);
        if (at == std::string::npos)
            return std::string();
        size_t end = run.out.find('\n', at);
        return run.out.substr(at + prefix.size(), end - at - prefix.size());
    }

    E2E::Installation installation;
    std::string archivePath;
};

TEST_F(AssetStore, PrintEditCommitExportDeleteAndReinstallKeepEveryByte)
{
    E2E::RunResult config = installation.Run({"printconfig", Tag(Loco)});
    EXPECT_EQ(config.exitStatus, 0) << config.out;
    EXPECT_EQ(config.out.rfind("+ Start of " + Tag(Loco) + " dump\n", 0), 0u) << config.out;
    EXPECT_NE(config.out.find("Sample Loco"), std::string::npos);
    EXPECT_NE(config.out.find("+ End of " + Tag(Loco) + " dump\n"), std::string::npos);

    // Edit: change one file of the edit copy, then commit it.
    std::string folder = EditFolder(Loco);
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(fs::exists(folder + "/readme.txt")) << folder;
    std::ofstream(folder + "/readme.txt", std::ios::binary | std::ios::app) << "Edited.\n";
    E2E::RunResult commit = installation.Run({"commit", Tag(Loco)});
    ASSERT_EQ(commit.exitStatus, 0) << commit.out;

    std::string committed = EditFolder(Loco);
    std::map<std::string, std::string> before = ContentFiles(committed);
    EXPECT_EQ(before["readme.txt"], "A sample loco.\r\nEdited.\n");
    EXPECT_EQ(before["art/picture.jpg"], BinaryText());
    ASSERT_EQ(installation.Run({"revert", Tag(Loco)}).exitStatus, 0);
    std::string configBefore = installation.Run({"printconfig", Tag(Loco)}).out;

    std::string exported = installation.PathOf("exported.cdp");
    E2E::RunResult create = installation.Run({"createcdp", exported, Tag(Loco), Tag(House)});
    ASSERT_EQ(create.exitStatus, 0) << create.out << create.err;
    ASSERT_TRUE(fs::exists(exported));

    ASSERT_EQ(installation.Run({"delete", Tag(Loco)}).exitStatus, 0);
    E2E::RunResult gone = installation.Run({"printconfig", Tag(Loco)});
    EXPECT_EQ(gone.exitStatus, 255);
    EXPECT_EQ(gone.out, "- " + Tag(Loco) + " : Asset is not local.\nOK (1 Errors, 0 Warnings)\n");

    E2E::RunResult reinstall = installation.Run({"installcdp", exported});
    ASSERT_EQ(reinstall.exitStatus, 0) << reinstall.out;
    // The store may re-set "kuid" on export, which moves it to the end; the
    // config holds the same tags with the same values.
    EXPECT_EQ(SortedLines(installation.Run({"printconfig", Tag(Loco)}).out), SortedLines(configBefore));
    std::string again = EditFolder(Loco);
    EXPECT_EQ(ContentFiles(again), before);
    EXPECT_EQ(installation.Run({"revert", Tag(Loco)}).exitStatus, 0);
}

TEST_F(AssetStore, SearchByCategoryAndAuthorsOverTheSamples)
{
    E2E::RunResult trains = installation.Run({"searchbycategory", "tr"});
    EXPECT_EQ(trains.exitStatus, 0);
    EXPECT_EQ(trains.out,
              "+ 1 : assets matching the specified criteria\n+ #0 : " + Tag(Loco) + "\nOK (0 Errors, 0 Warnings)\n");

    E2E::RunResult scenery = installation.Run({"searchbycategory", "-a", "sy"});
    EXPECT_EQ(scenery.exitStatus, 0);
    EXPECT_NE(scenery.out.find("+ 2 : assets matching the specified criteria\n"), std::string::npos) << scenery.out;

    E2E::RunResult none = installation.Run({"searchbycategory", "bd"});
    EXPECT_EQ(none.exitStatus, 255);
    EXPECT_EQ(none.out, "OK (0 Errors, 0 Warnings)\n");
    EXPECT_EQ(installation.Run({"searchbycategory", "-a", "bd|tr"}).exitStatus, 0);

    // Fixed names come as they are; names from the daemon lower-cased; the
    // order is byte-wise.
    E2E::RunResult authors = installation.Run({"authors"});
    EXPECT_EQ(authors.exitStatus, 0);
    EXPECT_EQ(authors.out, "Quelm\nann author\nbob builder\nOK (0 Errors, 0 Warnings)\n");
}

TEST_F(AssetStore, KeywordBackupAndImport)
{
    ASSERT_EQ(installation.Run({"backupkeywords"}).exitStatus, 0);
    std::string backup = installation.ReadFile("bin/KeywordsBackup.dat");
    EXPECT_NE(backup.find(Tag(Loco)), std::string::npos) << backup;
    EXPECT_NE(backup.find(Tag(House)), std::string::npos);

    installation.WriteFile("KeywordsDump.dat", Tag(House) + " \"SY;SCEN;#shiny;#red\"\r\n" + Tag(Loco) + " \"" +
                                                   std::string(70000, 'k') + "\"\r\n");
    ASSERT_EQ(installation.Run({"importkeywords"}).exitStatus, 0);
    ASSERT_EQ(installation.Run({"backupkeywords", "again.dat"}).exitStatus, 0);
    std::string after = installation.ReadFile("bin/again.dat");
    EXPECT_NE(after.find("#shiny"), std::string::npos) << after;
    // The text too long for the wire changed nothing.
    EXPECT_EQ(after.find("kkkk"), std::string::npos);
}

TEST_F(AssetStore, ListBuildsWritesTheBuildsSeen)
{
    E2E::RunResult builds = installation.Run({"listbuilds", "builds.txt"});
    EXPECT_EQ(builds.exitStatus, 0) << builds.out;
    EXPECT_NE(installation.ReadFile("bin/builds.txt").find("44088"), std::string::npos);
    E2E::RunResult unwritable = installation.Run({"listbuilds", "/no/such/folder/builds.txt"});
    EXPECT_EQ(unwritable.exitStatus, 255);
    EXPECT_EQ(unwritable.out, "- <NULL> : Failed to open output file.\nOK (1 Errors, 0 Warnings)\n");
}

TEST_F(AssetStore, GenerateKuidDrawsForTheConfiguredUser)
{
    E2E::RunResult first = installation.Run({"generatekuid"});
    E2E::RunResult second = installation.Run({"generatekuid"});
    EXPECT_EQ(first.exitStatus, 0);
    EXPECT_EQ(first.out.rfind("<KUID2:12345:", 0), 0u) << first.out;
    EXPECT_EQ(second.out.rfind("<KUID2:12345:", 0), 0u) << second.out;
    EXPECT_NE(first.out, second.out);
}

TEST_F(AssetStore, ImportConsistsMakesOneConsistPerNewTrainName)
{
    installation.WriteFile("consists.txt", "train-0\r\n{\r\n  name \"My Train\"\r\n  list\r\n  {\r\n"
                                           "    car-0 <kuid:12345:100>\r\n    num-0 1\r\n    dir-0 1\r\n"
                                           "    car-1 <kuid2:23456:7:1>\r\n    num-1 2\r\n"
                                           "    car-2 <kuid:12345:100>\r\n  }\r\n}\r\n"
                                           "train-1\r\n{\r\n  name \"No list\"\r\n}\r\n");
    std::string list = installation.PathOf("consists.txt");
    E2E::RunResult first = installation.Run({"importconsists", list});
    ASSERT_EQ(first.exitStatus, 0) << first.out;
    E2E::RunResult consists = installation.Run({"searchbycategory", "cn"});
    ASSERT_EQ(consists.exitStatus, 0) << consists.out;
    EXPECT_EQ(consists.out.rfind("+ 1 : assets matching the specified criteria\n", 0), 0u) << consists.out;

    // The same name again makes nothing new.
    ASSERT_EQ(installation.Run({"importconsists", list}).exitStatus, 0);
    EXPECT_EQ(installation.Run({"searchbycategory", "cn"}).out, consists.out);

    std::string tagLine = consists.out.substr(consists.out.find("+ #0 : ") + 7);
    std::string consist = tagLine.substr(0, tagLine.find('\n'));
    E2E::RunResult config = installation.Run({"printconfig", consist});
    EXPECT_NE(config.out.find("consist-list"), std::string::npos) << config.out;
    EXPECT_NE(config.out.find("My Train"), std::string::npos);
    EXPECT_NE(config.out.find("kuid-table"), std::string::npos);

    E2E::RunResult missing = installation.Run({"importconsists", installation.PathOf("none.txt")});
    EXPECT_EQ(missing.exitStatus, 255);
    EXPECT_EQ(missing.out, "- <NULL> : Invalid input path.\nOK (1 Errors, 0 Warnings)\n");
}

// These hold whether or not the store knows any asset: unknown and malformed
// ids get their lines and nothing is created.
TEST(AssetCommands, BadAssetIdsGiveTheirLinesAndChangeNothing)
{
    E2E::Installation installation;
    const std::string unknown = "<kuid:99:99>";
    E2E::RunResult edit = installation.Run({"edit", unknown});
    EXPECT_EQ(edit.exitStatus, 255);
    EXPECT_EQ(edit.out, "- " + unknown + " : Unknown AssetID.\nOK (1 Errors, 0 Warnings)\n");

    E2E::RunResult malformed = installation.Run({"printconfig", "<kuid:12345"});
    EXPECT_EQ(malformed.exitStatus, 255);
    EXPECT_EQ(malformed.out, "- <NULL> : Asset is not local.\nOK (1 Errors, 0 Warnings)\n");

    E2E::RunResult deleted = installation.Run({"delete", unknown});
    EXPECT_EQ(deleted.exitStatus, 255);
    EXPECT_EQ(deleted.out, "- " + unknown + " : Unknown AssetID.\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_EQ(installation.Run({"commit", unknown}).exitStatus, 255);
    EXPECT_EQ(installation.Run({"revert", unknown}).exitStatus, 255);

    std::string output = installation.PathOf("bad.cdp");
    E2E::RunResult invalid = installation.Run({"createcdp", output, "nonsense", unknown});
    EXPECT_EQ(invalid.exitStatus, 255);
    EXPECT_EQ(invalid.out, "- <NULL> : Invalid AssetID.\nOK (1 Errors, 0 Warnings)\n");
    E2E::RunResult notLocal = installation.Run({"createcdp", output, unknown});
    EXPECT_EQ(notLocal.exitStatus, 255);
    EXPECT_EQ(notLocal.out, "- " + unknown + " : Asset is not local.\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_FALSE(fs::exists(output));

    // A category too long for the wire matches nothing (it would travel as
    // the empty value, which matches everything).
    E2E::RunResult huge = installation.Run({"searchbycategory", std::string(70000, 'x')});
    EXPECT_EQ(huge.exitStatus, 255);
    EXPECT_EQ(huge.out, "OK (0 Errors, 0 Warnings)\n");
}

TEST(AssetCommands, GenerateKuidLanguageAndAccount)
{
    E2E::Installation installation;
    // No "kuid-user-id" is configured: the daemon has no range to draw from,
    // says so, and no id (not even the null id's numbers) is printed.
    E2E::RunResult generated = installation.Run({"generatekuid"});
    EXPECT_EQ(generated.exitStatus, 255);
    EXPECT_EQ(generated.out, "- <NULL> : Unable to generate a new AssetID: no \"kuid-user-id\" is set in "
                             "kaddaemon.cfg.\nOK (1 Errors, 0 Warnings)\n");

    EXPECT_EQ(installation.Run({"setlanguage", "FR"}).exitStatus, 0);
    EXPECT_EQ(installation.Run({"registeraccount", "Someone", "secret"}).exitStatus, 0);
}

}  // namespace
