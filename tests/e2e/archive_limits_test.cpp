// Archives end to end at their limits: what installs leave out is told, long names travel, configs and sizes beyond the limits are refused alike.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "soup/acs_raw_data.h"
#include "soup/archive_builder.h"
#include "soup/content_signature.h"
#include "kuid/kuid.h"
#include "zel/lzss_compress.h"
#include "soup/soup_handle.h"
#include "support/nested_soups.h"
#include "support/scratch_tmpfs.h"

namespace fs = std::filesystem;

namespace {

const KUID Asset{4242, 1, 0};

std::string Tag(const KUID& id)
{
    return id.ToTagString().c_str();
}

std::string ConfigFor(const KUID& id, const std::string& rest = std::string())
{
    return "kuid " + Tag(id) + "\r\nkind scenery\r\nusername \"Limits\"\r\n" + rest;
}

// The output lines that begin with the prefix ("! ", "- ", "+ ").
std::vector<std::string> LinesStarting(const std::string& out, const std::string& prefix)
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line);
    }
    return lines;
}

RawDataRef Block(const std::string& bytes)
{
    return ACSRawDataCore::Copy(bytes.data(), int32_t(bytes.size()));
}

// The 4-byte declared length and the LZSS stream, as exports store files.
std::string Compressed(const std::string& bytes, uint32_t declared)
{
    std::string out(bytes.size() + 64 + 4, '\0');
    for (int i = 0; i < 4; ++i)
        out[size_t(i)] = char(declared >> (8 * i));
    Zel::LZSSCompress coder;
    const size_t written = coder.CompressBlock(&out[4], out.size() - 4, bytes.data(), bytes.size(), 1);
    out.resize(written + 4);
    return out;
}

// One signed entry of the asset with the files soup (and optionally more
// config tags), written as a one-asset archive.
void WriteArchive(const std::string& path, const KUID& id, SoupHandle files, bool compressed,
                  SoupHandle extra = SoupHandle())
{
    SoupHandle entry;
    entry.SetNamedTagKUID(Zel::PString("kuid"), id);
    entry.SetNamedTag(Zel::PString("kind"), "scenery");
    entry.SetNamedTag(Zel::PString("username"), "Archived");
    if (!extra.IsEmpty())
        entry.SetNamedSoup(Zel::PString("extra"), extra);
    files.EnsureContainer();
    entry.SetNamedSoup(Zel::PString("files"), files);
    if (compressed)
        entry.SetNamedTag(Zel::PString("compression"), "LZSS");
    StoreAssetDsid(entry);
    SoupHandle archive;
    ASSERT_STREQ(AddAssetToArchive(archive, entry).c_str(), "");
    ASSERT_STREQ(WriteArchiveFile(archive, path.c_str()).c_str(), "");
}

class ArchiveLimits : public ::testing::Test {
protected:
    // The installed asset's files, relative to its folder; empty when the
    // store has no revision of it.
    std::set<std::string> InstalledFiles(const KUID& id) const
    {
        std::set<std::string> files;
        const fs::path key = installation.PathOf("UserData/local/kuid_" + std::to_string(id.user) + "_" +
                                                 std::to_string(id.content) + "_" + std::to_string(id.version));
        std::error_code ignored;
        for (const auto& revision : fs::directory_iterator(key, ignored)) {
            if (revision.path().filename().string().rfind("r", 0) != 0)
                continue;
            for (const auto& leaf : fs::directory_iterator(revision.path())) {
                for (const auto& entry : fs::recursive_directory_iterator(leaf.path())) {
                    if (entry.is_regular_file())
                        files.insert(fs::relative(entry.path(), leaf.path()).string());
                }
            }
        }
        return files;
    }

    bool Known(const KUID& id) const { return installation.Run({"status", Tag(id)}).exitStatus == 0; }

    E2E::Installation installation;
};

TEST_F(ArchiveLimits, EntriesAnArchiveInstallLeavesOutAreToldAtEveryStep)
{
    struct Skipped {
        std::string path;
        const char* reason;
    };
    const char* badName = "the name holds a character other than ASCII letters, digits and \" $&'()+,-._~\"";
    const char* leading = "the name begins with a blank, '.' or '~'";
    const std::vector<Skipped> skipped = {
        {"model.bin", "files of type \".bin\" are not installed"},
        {"caf\xc3\xa9.txt", badName},
        {"ctl\x01.txt", badName},
        {" lead.txt", leading},
        {".hidden.txt", leading},
        {"~tmp.txt", leading},
        {"noext", "files without an extension are not installed"},
        {"caf\xc3\xa9", badName},
        {"art/source.psd", "files of type \".psd\" are not installed"},
    };
    installation.WriteFile("src/asset/config.txt", ConfigFor(Asset));
    installation.WriteFile("src/asset/kept.im", "kept");
    installation.WriteFile("src/asset/art/kept.tga", "kept too");
    installation.WriteFile("src/asset/caf\xc3\xa9/inner.txt", "inside a folder left out");
    for (const Skipped& entry : skipped) {
        if (entry.path != "caf\xc3\xa9")
            installation.WriteFile("src/asset/" + entry.path, "left out");
    }
    // Each warning names the entry (control characters escaped) and says why.
    auto expectWarnings = [&](const E2E::RunResult& run, const std::string& saying) {
        EXPECT_EQ(run.exitStatus, 0) << run.out;
        std::vector<std::string> warnings = LinesStarting(run.out, "! ");
        EXPECT_EQ(warnings.size(), skipped.size()) << run.out;
        for (const Skipped& entry : skipped) {
            std::string shown = entry.path == "ctl\x01.txt" ? "ctl\\x01.txt" : entry.path;
            std::string line = "! " + Tag(Asset) + " : \"" + shown + "\" " + saying + entry.reason + ".";
            EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << line << "\n" << run.out;
        }
        EXPECT_NE(run.out.find("OK (0 Errors, " + std::to_string(skipped.size()) + " Warnings)"), std::string::npos);
    };
    const std::string later = "will be left out when the asset is installed from an archive: ";
    expectWarnings(installation.Run({"installfrompath", installation.PathOf("src/asset")}), later);
    const std::string exported = installation.PathOf("exported.cdp");
    expectWarnings(installation.Run({"createcdp", exported, Tag(Asset)}), later);
    ASSERT_TRUE(fs::exists(exported));

    ASSERT_EQ(installation.Run({"delete", Tag(Asset)}).exitStatus, 0);
    expectWarnings(installation.Run({"installcdp", exported}), "was not installed: ");
    EXPECT_EQ(InstalledFiles(Asset), (std::set<std::string>{"art/kept.tga", "config.txt", "kept.im"}));
}

TEST_F(ArchiveLimits, NamesThatWouldLeaveTheAssetFolderAreToldAtInstall)
{
    SoupHandle files;
    const std::vector<std::string> hostile = {"../x.txt", "..\\up.txt", "/etc/abs.txt", "a\tb.txt"};
    for (const std::string& name : hostile)
        files.SetNamedTagBlock(Zel::PString(name.c_str()), SoupTypeRaw, Block("hostile"));
    SoupHandle parent;
    parent.SetNamedTagBlock(Zel::PString("escape.txt"), SoupTypeRaw, Block("escaped"));
    files.SetNamedSoup(Zel::PString(".."), parent);
    files.SetNamedTagBlock(Zel::PString("ok.txt"), SoupTypeRaw, Block("fine"));
    const std::string path = installation.PathOf("hostile.cdp");
    WriteArchive(path, Asset, files, false);

    E2E::RunResult run = installation.Run({"installcdp", path});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    EXPECT_EQ(LinesStarting(run.out, "! ").size(), hostile.size() + 1) << run.out;
    for (const char* shown : {"../x.txt", "..\\up.txt", "/etc/abs.txt", "a\\x09b.txt", ".."})
        EXPECT_NE(run.out.find(" : \"" + std::string(shown) + "\" was not installed: "), std::string::npos) << shown;
    EXPECT_EQ(InstalledFiles(Asset), (std::set<std::string>{"config.txt", "ok.txt"}));
}

TEST_F(ArchiveLimits, LongFileNamesSurviveTheirOwnExport)
{
    const std::string name250 = std::string(246, 'n') + ".txt";
    const std::string name254 = std::string(250, 'm') + ".txt";
    // The most a Linux name holds, and one byte more than an archive does.
    const std::string name255 = std::string(251, 'x') + ".txt";
    installation.WriteFile("src/long/config.txt", ConfigFor(Asset));
    installation.WriteFile("src/long/" + name250, "250 bytes of name");
    installation.WriteFile("src/long/" + name254, "254 bytes of name");
    installation.WriteFile("src/long/" + name255, "255 bytes of name");
    const std::string tooLong = "! " + Tag(Asset) + " : \"" + name255 +
                                "\" will be left out when the asset is installed from an archive: the name is "
                                "longer than the 254 bytes an archive holds.\n";

    E2E::RunResult fromPath = installation.Run({"installfrompath", installation.PathOf("src/long")});
    ASSERT_EQ(fromPath.exitStatus, 0) << fromPath.out;
    EXPECT_NE(fromPath.out.find(tooLong), std::string::npos) << fromPath.out;
    const std::string exported = installation.PathOf("long.cdp");
    E2E::RunResult create = installation.Run({"createcdp", exported, Tag(Asset)});
    ASSERT_EQ(create.exitStatus, 0) << create.out;
    EXPECT_NE(create.out.find(tooLong), std::string::npos) << create.out;
    ASSERT_EQ(installation.Run({"delete", Tag(Asset)}).exitStatus, 0);

    E2E::RunResult install = installation.Run({"installcdp", exported});
    ASSERT_EQ(install.exitStatus, 0) << install.out;
    EXPECT_EQ(install.out, "+ " + Tag(Asset) + " : Installed asset " + Tag(Asset) + ".\nOK (0 Errors, 0 Warnings)\n");
    EXPECT_EQ(InstalledFiles(Asset), (std::set<std::string>{"config.txt", name250, name254}));
}

TEST_F(ArchiveLimits, ConfigsBeyondTheLimitsAreRefusedAlike)
{
    struct Case {
        const char* label;
        std::string config;
        const char* reason;
    };
    const Case cases[] = {
        {"2,000 levels", ConfigFor(Asset, TestSupport::NestedSoupText(2000)),
         "config.txt nests containers deeper than 100 levels."},
        {"unclosed brace", ConfigFor(Asset, "mesh-table\r\n{\r\n  default\r\n  {\r\n    mesh a.im\r\n  }\r\n"),
         "config.txt has a \"{\" on line 5 that is never closed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        installation.WriteFile("src/bad/config.txt", c.config);
        E2E::RunResult fromPath = installation.Run({"installfrompath", installation.PathOf("src/bad")});
        EXPECT_EQ(fromPath.exitStatus, 255) << fromPath.out;
        EXPECT_EQ(fromPath.out, "- <NULL> : Failed to install the asset in " + installation.PathOf("src/bad") + ". " +
                                    c.reason + "\nOK (1 Errors, 0 Warnings)\n");
        EXPECT_FALSE(Known(Asset));

        // An asset whose committed config was changed behind the store's back.
        installation.WriteFile("src/good/config.txt", ConfigFor(Asset));
        ASSERT_EQ(installation.Run({"installfrompath", installation.PathOf("src/good")}).exitStatus, 0);
        std::string committed;
        for (const auto& entry : fs::recursive_directory_iterator(installation.PathOf("UserData/local"))) {
            if (entry.path().filename() == "config.txt")
                committed = entry.path().string();
        }
        ASSERT_FALSE(committed.empty());
        installation.WriteFile(fs::relative(committed, installation.Root()).string(), c.config);
        const std::string output = installation.PathOf("bad.cdp");
        E2E::RunResult create = installation.Run({"createcdp", output, Tag(Asset)});
        EXPECT_EQ(create.exitStatus, 255) << create.out;
        EXPECT_NE(
            create.out.find("- " + Tag(Asset) + " : Unable to export asset " + Tag(Asset) + ": " + c.reason + "\n"),
            std::string::npos)
            << create.out;
        EXPECT_FALSE(fs::exists(output));
        ASSERT_EQ(installation.Run({"delete", Tag(Asset)}).exitStatus, 0);
    }

    // Archives hold configs already parsed: one nested past what any soup
    // reader takes does not open, one past the config limit is refused by
    // it. Neither installs.
    const std::string hostile = installation.PathOf("hostile.cdp");
    WriteArchive(hostile, Asset, SoupHandle(), false, TestSupport::NestedSoup(2000));
    E2E::RunResult unreadable = installation.Run({"installcdp", hostile});
    EXPECT_EQ(unreadable.exitStatus, 255) << unreadable.out;
    EXPECT_EQ(unreadable.out, "- <NULL> : Unable to read the archive: Content could not be read, as the file is not a "
                              "valid CDP\nOK (1 Errors, 0 Warnings)\n");
    const std::string deep = installation.PathOf("deep.cdp");
    WriteArchive(deep, Asset, SoupHandle(), false, TestSupport::NestedSoup(150));
    E2E::RunResult refused = installation.Run({"installcdp", deep});
    EXPECT_EQ(refused.exitStatus, 255) << refused.out;
    EXPECT_EQ(refused.out, "- " + Tag(Asset) + " : Failed to install asset " + Tag(Asset) +
                               ". The config nests containers deeper than 100 levels.\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_FALSE(Known(Asset));
}

TEST_F(ArchiveLimits, AConfigLineOf100MBIsRefused)
{
    const std::string config = ConfigFor(Asset, "description \"" + std::string(100u << 20, 'd') + "\"\r\n");
    installation.WriteFile("src/huge/config.txt", config);
    E2E::RunResult run = installation.Run({"installfrompath", installation.PathOf("src/huge")});
    EXPECT_EQ(run.exitStatus, 255) << run.out;
    EXPECT_EQ(LinesStarting(run.out, "- "),
              std::vector<std::string>{"- <NULL> : Failed to install the asset in " + installation.PathOf("src/huge") +
                                       ". config.txt is too large: " + std::to_string(config.size()) +
                                       " bytes, and a config may hold at most 16 MiB."});
    EXPECT_FALSE(Known(Asset));
}

TEST_F(ArchiveLimits, AnEntryDecodingPastItsDeclaredSizeIsRefused)
{
    SoupHandle files;
    files.SetNamedTagBlock(Zel::PString("zeros.txt"), SoupTypeRaw, Block(Compressed(std::string(1 << 20, '\0'), 1000)));
    const std::string path = installation.PathOf("lying.cdp");
    WriteArchive(path, Asset, files, true);
    E2E::RunResult run = installation.Run({"installcdp", path});
    EXPECT_EQ(run.exitStatus, 255) << run.out;
    EXPECT_EQ(run.out, "- " + Tag(Asset) + " : Failed to install asset " + Tag(Asset) +
                           ". \"zeros.txt\" decodes to more than its declared 1000 bytes. Content package may be "
                           "damaged\nOK (1 Errors, 0 Warnings)\n");
    EXPECT_FALSE(Known(Asset));
}

// Earlier exports of a file that does not compress stored it followed by
// 63 stray bytes; such an export installs the file exactly and says so.
TEST_F(ArchiveLimits, AnExportWithStrayBytesAfterAStoredFileInstallsTheFile)
{
    std::string random(3 << 20, '\0');
    uint32_t state = 2024;
    for (char& c : random) {
        state = state * 1664525u + 1013904223u;
        c = char(state >> 24);
    }
    std::string faulty;
    for (int i = 0; i < 4; ++i)
        faulty.push_back(char(random.size() >> (8 * i)));
    faulty.push_back('\0');
    faulty += random + std::string(63, '\x7f');
    SoupHandle art;
    art.SetNamedTagBlock(Zel::PString("photo.jpg"), SoupTypeRaw, Block(faulty));
    SoupHandle files;
    files.SetNamedSoup(Zel::PString("art"), art);
    const std::string path = installation.PathOf("old export.cdp");
    WriteArchive(path, Asset, files, true);

    E2E::RunResult run = installation.Run({"installcdp", path});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    EXPECT_EQ(LinesStarting(run.out, "! "),
              std::vector<std::string>{"! " + Tag(Asset) +
                                       " : \"art/photo.jpg\" holds 63 bytes past its declared length; they were "
                                       "dropped."})
        << run.out;
    EXPECT_NE(run.out.find("OK (0 Errors, 1 Warnings)"), std::string::npos) << run.out;
    ASSERT_EQ(InstalledFiles(Asset), (std::set<std::string>{"art/photo.jpg", "config.txt"}));
    std::string installed;
    for (const auto& entry : fs::recursive_directory_iterator(installation.PathOf("UserData/local"))) {
        if (entry.path().filename() == "photo.jpg") {
            std::ifstream in(entry.path(), std::ios::binary);
            installed.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    EXPECT_TRUE(installed == random) << installed.size();
}

TEST_F(ArchiveLimits, DeclaredSizesBeyondTheFreeSpaceAreRefusedBeforeWriting)
{
    KorvelTest::ScratchTmpfs disk(installation.PathOf("UserData/local"), 2 << 20);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();
    SoupHandle files;
    files.SetNamedTagBlock(Zel::PString("zeros.txt"), SoupTypeRaw,
                           Block(Compressed(std::string(4 << 20, '\0'), 4 << 20)));
    const std::string path = installation.PathOf("zeros.cdp");
    WriteArchive(path, Asset, files, true);
    ASSERT_LT(fs::file_size(path), 100000u);

    E2E::RunResult run = installation.Run({"installcdp", path});
    EXPECT_EQ(run.exitStatus, 255) << run.out;
    EXPECT_TRUE(
        std::regex_match(run.out, std::regex("- <NULL> : Not enough free disk space to install the archive: its "
                                             "files need 4\\.0 MiB, and [0-9.]+ (MiB|bytes) are free\\.\n"
                                             "OK \\(1 Errors, 0 Warnings\\)\n")))
        << run.out;
    EXPECT_FALSE(Known(Asset));
    // Nothing was staged on the small disk.
    EXPECT_TRUE(fs::is_empty(disk.Folder()));
}

TEST_F(ArchiveLimits, AFullDiskDuringExtractionIsCalledThat)
{
    KorvelTest::ScratchTmpfs disk(installation.PathOf("UserData/local"), 1 << 20);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();
    // 900,000 bytes declared fit the free megabyte; stored one 3,000-byte
    // file to a 4 KiB page, they do not.
    SoupHandle files;
    for (int i = 0; i < 300; ++i)
        files.SetNamedTagBlock(Zel::PString(("part" + std::to_string(i) + ".txt").c_str()), SoupTypeRaw,
                               Block(std::string(3000, 'p')));
    const std::string path = installation.PathOf("many.cdp");
    WriteArchive(path, Asset, files, false);

    E2E::RunResult run = installation.Run({"installcdp", path});
    EXPECT_EQ(run.exitStatus, 255) << run.out;
    EXPECT_EQ(run.out, "- " + Tag(Asset) + " : Failed to install asset " + Tag(Asset) +
                           ". Unable to write content files to disk: No space left on device\n"
                           "OK (1 Errors, 0 Warnings)\n");
    EXPECT_FALSE(Known(Asset));
}

}  // namespace
