// The ".texture" writer and reader: a round trip of header and mip chain, the reader's refusals, and no half-written file on a failed write.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/scratch_tmpfs.h"
#include "support/temp_folder.h"
#include "zel/file.h"
#include "zel/texture_file.h"
#include "zel/texture_resource.h"

namespace {

// A DXT5 texture of fixed levels, as a compressor would hand them over.
class FixedTexture : public Zel::TextureResource {
public:
    FixedTexture(uint32_t width, uint32_t height, uint32_t levels) : TextureResource("fixed", nullptr), levels_(levels)
    {
        width_ = width;
        height_ = height;
        depth_ = 1;
        wrapT_ = Zel::TextureClamp;
    }
    uint32_t GetOutputFormat() override { return Zel::TextureDXT5; }
    std::unique_ptr<Zel::Bitmap> GetMip(uint32_t level, uint32_t slice) override
    {
        if (slice != 0 || level >= levels_)
            return nullptr;
        uint32_t w = std::max(1u, width_ >> level);
        uint32_t h = std::max(1u, height_ >> level);
        auto mip = std::make_unique<Zel::Bitmap>();
        mip->Init(w, h, Zel::Bitmap::FormatCompressed, int64_t(Zel::TextureLevelBytes(Zel::TextureDXT5, w, h)));
        std::fill(mip->MutablePixels().begin(), mip->MutablePixels().end(), uint8_t(level + 1));
        return mip;
    }

private:
    uint32_t levels_;
};

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(TextureFileTest, WrittenTextureReadsBackFieldForField)
{
    KorvelTest::TempFolder folder;
    FixedTexture texture(16, 8, 3);
    const std::string path = folder / "out.texture";
    ASSERT_TRUE(Zel::WriteTextureFile(texture, nullptr, path.c_str()));
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    Zel::TextureFileContents contents;
    std::string error;
    ASSERT_TRUE(Zel::ReadTextureFile(path.c_str(), contents, error)) << error;
    EXPECT_EQ(contents.magic, "JIRF");
    EXPECT_EQ(contents.fileType, "MMTF");
    EXPECT_EQ(contents.size, std::filesystem::file_size(path) - 8);
    EXPECT_EQ(contents.header.version, 1u);
    EXPECT_EQ(contents.header.width, 16u);
    EXPECT_EQ(contents.header.height, 8u);
    EXPECT_EQ(contents.header.depth, 1u);
    EXPECT_EQ(contents.header.format, uint32_t(Zel::TextureDXT5));
    EXPECT_EQ(contents.header.flags, uint32_t(Zel::TextureFlagAlpha | Zel::TextureFlagWrapS));
    ASSERT_EQ(contents.header.mipCount, 3u);
    const uint32_t sizes[][3] = {{16, 8, 128}, {8, 4, 32}, {4, 2, 16}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(contents.mips[i].width, sizes[i][0]);
        EXPECT_EQ(contents.mips[i].height, sizes[i][1]);
        EXPECT_EQ(contents.mips[i].bytes.size(), sizes[i][2]);
    }
    // The body starts at byte 12 with version 1, width and height.
    std::vector<uint8_t> bytes = ReadAll(path);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 12, bytes.begin() + 24),
              (std::vector<uint8_t>{1, 0, 0, 0, 16, 0, 0, 0, 8, 0, 0, 0}));
}

TEST(TextureFileTest, ReaderRefusesDamagedFiles)
{
    KorvelTest::TempFolder folder;
    FixedTexture texture(8, 8, 2);
    const std::string path = folder / "good.texture";
    ASSERT_TRUE(Zel::WriteTextureFile(texture, nullptr, path.c_str()));
    const std::vector<uint8_t> good = ReadAll(path);
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    auto put32 = [](std::vector<uint8_t>& b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = uint8_t(v >> (8 * i));
    };
    const Case cases[] = {
        {"empty", [](std::vector<uint8_t>& b) { b.clear(); }},
        {"other magic", [](std::vector<uint8_t>& b) { b[0] = 'X'; }},
        {"other file type", [](std::vector<uint8_t>& b) { b[8] = 'L'; }},
        {"cut short", [](std::vector<uint8_t>& b) { b.resize(b.size() - 1); }},
        {"byte after the end", [](std::vector<uint8_t>& b) { b.push_back(0); }},
        {"body version 2", [&](std::vector<uint8_t>& b) { put32(b, 12, 2); }},
        {"unknown format", [&](std::vector<uint8_t>& b) { put32(b, 28, 7); }},
        {"huge mip count", [&](std::vector<uint8_t>& b) { put32(b, 36, 0x40000000); }},
        {"huge depth", [&](std::vector<uint8_t>& b) { put32(b, 24, 0xFFFFFFFF); }},
        {"mip size past the end", [&](std::vector<uint8_t>& b) { put32(b, 48, 0x7FFFFFFF); }},
        {"mip size wrong for its side", [&](std::vector<uint8_t>& b) { put32(b, 40, 12); }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        c.damage(bytes);
        Zel::TextureFileContents contents;
        std::string error;
        EXPECT_FALSE(Zel::ParseTextureFile(bytes, contents, error)) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
    }
}

TEST(TextureFileTest, FailedWriteLeavesNoFileAndKeepsNoPart)
{
    KorvelTest::TempFolder folder;
    KorvelTest::ScratchTmpfs disk(folder / "small", 16 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();
    // 512 x 512 DXT5 levels need about 350 KB: the disk is full half-way.
    FixedTexture texture(512, 512, 10);
    const std::string path = folder / "small/full.texture";
    std::string error;
    EXPECT_FALSE(Zel::WriteTextureFile(texture, nullptr, path.c_str(), &error));
    EXPECT_EQ(error, "Unable to write '" + path + "': No space left on device");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

}  // namespace
