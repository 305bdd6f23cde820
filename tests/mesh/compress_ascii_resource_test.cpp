// CompressAsciiResource: loading through a resource database, the storage-format choice, the size limit and the written file.
#include <gtest/gtest.h>

#include <fstream>

#include "mesh/compress_ascii_resource.h"
#include "support/temp_folder.h"
#include "support/test_images.h"
#include "zel/file.h"
#include "zel/resource_database.h"
#include "zel/texture_file.h"

namespace {

enum class Alpha { Opaque, Mask, Full };

std::string Image(int width, int height, Alpha alpha)
{
    if (alpha == Alpha::Opaque)
        return TestImages::Bmp24(width, height);
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = rgba.data() + (size_t(y) * width + x) * 4;
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = 90;
            p[3] = alpha == Alpha::Mask ? (x < width / 2 ? 0 : 255) : uint8_t((x * 255) / width);
        }
    }
    return TestImages::Png(width, height, rgba);
}

class CompressAsciiResourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(folder.Root().empty());
        CompressAsciiResource::RegisterType();
        Zel::File::Subst(DatabaseName, folder.Root().c_str());
    }
    void TearDown() override { Zel::File::Subst(DatabaseName, nullptr); }

    void Write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }

    // A locked resource of the description text, or null (the lock's result in lockResult).
    CompressAsciiResource* Load(const std::string& description, const char* options, int* lockResult = nullptr)
    {
        Write("t.convert-tex.txt", description);
        resource.reset(dynamic_cast<CompressAsciiResource*>(database.Get("t.convert-tex", 2)));
        if (!resource)
            return nullptr;
        optionSet.Clear();
        optionSet.ProcessRaw(options);
        if (options != nullptr)
            resource->SetOptions(&optionSet);
        int result = resource->Lock();
        if (lockResult)
            *lockResult = result;
        return result == 0 ? resource.get() : nullptr;
    }

    struct Release {
        void operator()(Zel::Resource* r) const { r->ReleaseReference(); }
    };
    static constexpr const char* DatabaseName = "texturetestdb";
    KorvelTest::TempFolder folder;
    Zel::ResourceDatabase database{DatabaseName};
    Zel::Options optionSet;
    std::unique_ptr<CompressAsciiResource, Release> resource;
};

constexpr const char* Defaults = "-Automip=none -Compression=auto";

TEST_F(CompressAsciiResourceTest, ChoosesTheStorageFormatPerAlphaClassSizeAndOptions)
{
    struct Case {
        const char* name;
        int width, height;
        Alpha alpha;
        const char* settings;  // extra description lines
        const char* options;
        uint32_t format;
        bool alphaFlag;
    };
    const Case cases[] = {
        {"opaque, auto", 128, 128, Alpha::Opaque, "", Defaults, Zel::TextureDXT1, false},
        {"masked, auto", 128, 128, Alpha::Mask, "", Defaults, Zel::TextureDXT1, true},
        {"full alpha, auto", 128, 128, Alpha::Full, "", Defaults, Zel::TextureDXT5, true},
        {"opaque, 64 or less", 64, 64, Alpha::Opaque, "", Defaults, Zel::TextureOpaque32, false},
        {"full alpha, 64 or less", 64, 32, Alpha::Full, "", Defaults, Zel::TextureAlpha32, true},
        {"own DXT choice, 64 or less", 64, 64, Alpha::Opaque, "Hint=dxt1\n", Defaults, Zel::TextureOpaque32, false},
        {"own DXT choice, forced options", 64, 64, Alpha::Opaque, "Hint=dxt5\n", "-forceOptions -Compression=auto",
         Zel::TextureDXT1, false},
        {"side not a multiple of 4", 100, 50, Alpha::Full, "", "-forceOptions -Compression=dxt5", Zel::TextureAlpha32,
         true},
        {"dxt1,dxt1a leaves full alpha", 128, 128, Alpha::Full, "", "-Compression=dxt1,dxt1a", Zel::TextureAlpha32,
         true},
        {"auto counts first only", 128, 128, Alpha::Opaque, "", "-Compression=none,auto", Zel::TextureAlpha32, true},
        {"own choice dxt3", 128, 128, Alpha::Opaque, "Hint=dxt3\n", Defaults, Zel::TextureDXT3, true},
        {"masked normal map", 128, 128, Alpha::Mask, "Hint=normalmap\n", Defaults, Zel::TextureDXT5, true},
        {"option keys any case", 128, 128, Alpha::Opaque, "", "-COMPRESSION=DXT3", Zel::TextureDXT3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write("image.png", Image(c.width, c.height, c.alpha));
        CompressAsciiResource* texture = Load(std::string("Primary=image.png\n") + c.settings, c.options);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->GetCompressionFormat(), c.format);
        EXPECT_EQ(texture->GetAlphaFlag(), c.alphaFlag);
    }
}

TEST_F(CompressAsciiResourceTest, MaxTextureSizeScalesTheWrittenTexture)
{
    struct Case {
        const char* options;
        uint32_t width, height;
    };
    const Case cases[] = {{"-MaxTextureSize=512", 512, 256}, {"-MaxTextureSize=512,128", 256, 128}, {"", 2048, 1024}};
    Write("big.bmp", TestImages::Bmp24(2048, 1024));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        CompressAsciiResource* texture = Load("Primary=big.bmp\nMipFilter=none\n", c.options);
        ASSERT_NE(texture, nullptr);
        uint32_t width = 0, height = 0;
        texture->GetSize(width, height);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        ASSERT_TRUE(texture->LockSourceMips());
        ASSERT_TRUE(texture->SaveCompressed(Zel::PString(DatabaseName), "big.texture", false));
        Zel::TextureFileContents contents;
        std::string error;
        ASSERT_TRUE(Zel::ReadTextureFile((folder / "big.texture").c_str(), contents, error)) << error;
        EXPECT_EQ(contents.header.width, c.width);
        EXPECT_EQ(contents.header.height, c.height);
        ASSERT_EQ(contents.mips.size(), 1u);
        EXPECT_EQ(contents.mips[0].width, c.width);
        EXPECT_TRUE(texture->GetMipUnlock());
    }
}

TEST_F(CompressAsciiResourceTest, LoadFailsWithoutOptionsOrWithBadDescriptions)
{
    Write("image.png", Image(16, 16, Alpha::Full));
    Write("half.png", Image(8, 16, Alpha::Opaque));
    struct Case {
        const char* name;
        std::string description;
        const char* options;
    };
    const Case cases[] = {
        {"no options", "Primary=image.png\n", nullptr},
        {"no primary line", "Alpha=image.png\n", Defaults},
        {"missing image", "Primary=nothere.png\n", Defaults},
        {"alpha of another size", "Primary=image.png\nAlpha=half.png\n", Defaults},
        {"unknown setting value", "Primary=image.png\nAlphaHint=sometimes\n", Defaults},
        {"not plain text", std::string("P\0r\0i\0m\0", 8), Defaults},
    };
    for (const Case& c : cases) {
        int result = 0;
        EXPECT_EQ(Load(c.description, c.options, &result), nullptr) << c.name;
        EXPECT_NE(result, 0) << c.name;
    }
}

TEST_F(CompressAsciiResourceTest, SecondBuildReplacesTheFirstImages)
{
    Write("image.png", Image(32, 32, Alpha::Full));
    CompressAsciiResource* texture = Load("Primary=image.png\n", "-forceOptions -Compression=dxt5");
    ASSERT_NE(texture, nullptr);
    ASSERT_TRUE(texture->LockSourceMips());
    ASSERT_TRUE(texture->BuildCompressedMips(false));
    ASSERT_TRUE(texture->BuildCompressedMips(false));
    EXPECT_NE(texture->GetMip(5, 0), nullptr);
    EXPECT_EQ(texture->GetMip(6, 0), nullptr);
    EXPECT_EQ(texture->GetMip(0, 1), nullptr);
    EXPECT_TRUE(texture->GetMipUnlock());
    EXPECT_EQ(texture->GetMip(0, 0), nullptr);
}

}  // namespace
