// Asset files through createcdp and installcdp end to end: random, text and zero bytes come back byte for byte.
#include "e2e/harness/e2e_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "soup/acs_raw_data.h"
#include "support/lzss_test_support.h"
#include "soup/archive_builder.h"
#include "soup/archive_reader.h"
#include "soup/cdp_asset_entry.h"
#include "soup/soup_handle.h"

namespace {

const char AssetTag[] = "<kuid:424242:7001>";

// Random bytes, as JPEG, MP3 and compressed textures are: the coder cannot
// shrink them.
std::string Noise(size_t size, uint32_t seed)
{
    const LZSSTest::Bytes bytes = LZSSTest::Noise(size, seed);
    return std::string(bytes.begin(), bytes.end());
}

std::string Text(size_t size)
{
    static const char* words[] = {"mesh-table", "kuid",     "<kuid:424242:7001>", "\r\n", "  ", "default",  "{", "}",
                                  "bogey",      "traincar", "Überlandbahn",       "1.25", "\"", "thumbnail"};
    std::string out;
    out.reserve(size);
    uint32_t state = 17;
    while (out.size() < size) {
        state = state * 1103515245u + 12345u;
        out += words[(state >> 16) % (sizeof(words) / sizeof(words[0]))];
        out += ' ';
    }
    out.resize(size);
    return out;
}

// File name to content, sizes on both sides of where random bytes no
// longer fit the export's block in their coded form.
std::map<std::string, std::string> AssetFiles()
{
    return {
        {"small.jpg", Noise(1000, 1)},  {"photo.jpg", Noise(16384, 2)},
        {"sound.mp3", Noise(40000, 3)}, {"art/bark.texture", Noise(2000000, 4)},
        {"notes.txt", Text(1000000)},   {"blank.dat", std::string(70000, '\0')},
    };
}

// The folder `edit` prints for the asset ("+ <tag> : <folder>").
std::string EditFolder(const E2E::Installation& installation)
{
    E2E::RunResult run = installation.Run({"edit", AssetTag});
    EXPECT_EQ(run.exitStatus, 0) << run.out;
    const std::string prefix = "+ " + std::string(AssetTag) + " : ";
    const size_t at = run.out.find(prefix);
    if (at == std::string::npos)
        return std::string();
    const size_t end = run.out.find('\n', at);
    return run.out.substr(at + prefix.size(), end - at - prefix.size());
}

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The folder of "files" that holds the name, and the name's last part.
SoupHandle FilesFolder(const SoupHandle& files, const std::string& name, std::string& leaf)
{
    const size_t slash = name.find('/');
    if (slash == std::string::npos) {
        leaf = name;
        return files;
    }
    return FilesFolder(files.GetNamedSoup(Zel::PString(name.substr(0, slash).c_str())), name.substr(slash + 1), leaf);
}

}  // namespace

TEST(ArchiveRoundTrip, FilesThatDoNotCompressComeBackByteForByte)
{
    const std::map<std::string, std::string> files = AssetFiles();
    E2E::Installation source;
    source.WriteFile("Incoming/Noisy/config.txt",
                     std::string("kuid ") + AssetTag + "\nkind \"scenery\"\nusername \"Noisy\"\nkorvel-build 3.5\n");
    for (const auto& [name, content] : files)
        source.WriteFile("Incoming/Noisy/" + name, content);
    E2E::RunResult install = source.Run({"installfrompath", source.PathOf("Incoming/Noisy")});
    ASSERT_EQ(install.exitStatus, 0) << install.out << install.err;

    const std::string archivePath = source.PathOf("noisy.cdp");
    E2E::RunResult create = source.Run({"createcdp", archivePath, AssetTag});
    ASSERT_EQ(create.exitStatus, 0) << create.out << create.err;

    // The archive read without the daemon: each payload declares the file's
    // length, and its stream, read by a decoder independent of the coder,
    // gives exactly the file.
    SoupHandle archive;
    Zel::PString opened = OpenArchive(archive, Zel::PString(), archivePath.c_str());
    ASSERT_TRUE(opened.IsEmpty()) << opened.c_str();
    ASSERT_EQ(CountArchiveAssets(archive), 1);
    CDPAssetEntry entry = GetArchiveAsset(archive, 0);
    const SoupHandle stored = entry.GetFilesSoup();
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        std::string leaf;
        RawDataRef block = FilesFolder(stored, name, leaf).GetNamedTagBlock(Zel::PString(leaf.c_str()));
        ASSERT_TRUE(block);
        ASSERT_GE(block->Size(), 5);
        const uint8_t* payload = block->Data();
        const uint32_t declared =
            uint32_t(payload[0]) | uint32_t(payload[1]) << 8 | uint32_t(payload[2]) << 16 | uint32_t(payload[3]) << 24;
        EXPECT_EQ(declared, content.size());
        const LZSSTest::Bytes stream(payload + 4, payload + block->Size());
        LZSSTest::Bytes decoded;
        if (stream[0] == 0)
            decoded.assign(stream.begin() + 1, stream.end());
        else
            ASSERT_TRUE(LZSSTest::ReferenceDecodeFlagWords(stream, decoded));
        EXPECT_EQ(decoded.size(), content.size());
        EXPECT_TRUE(std::string(decoded.begin(), decoded.end()) == content);
    }

    // Installed where the asset never was, from the archive alone.
    E2E::Installation target;
    E2E::RunResult installed = target.Run({"installcdp", archivePath});
    ASSERT_EQ(installed.exitStatus, 0) << installed.out << installed.err;
    const std::string folder = EditFolder(target);
    ASSERT_FALSE(folder.empty());
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        const std::string back = ReadWhole(folder + "/" + name);
        EXPECT_EQ(back.size(), content.size());
        EXPECT_TRUE(back == content);
    }
    EXPECT_EQ(target.Run({"revert", AssetTag}).exitStatus, 0);
}
