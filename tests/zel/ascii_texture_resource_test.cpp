// Resource naming (name -> file -> type) and AsciiTextureResource: descriptions, their images and the alpha they imply.
#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_folder.h"
#include "support/test_images.h"
#include "zel/ascii_texture_resource.h"
#include "zel/file.h"
#include "zel/resource_database.h"

namespace {

Zel::Resource* MakeText(const char* name, Zel::ResourceDatabase* database)
{
    return new Zel::AsciiTextureResource(name, database);
}

Zel::Resource* MakeBinary(const char* name, Zel::ResourceDatabase* database)
{
    return new Zel::Resource(name, database);
}

class AsciiTextureResourceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Zel::RegisterResourceType("probe-tex.txt", MakeText);
        Zel::RegisterResourceType("korvel.probe-bin", MakeBinary);
        Zel::File::Subst(Name, folder.Root().c_str());
    }
    void TearDown() override { Zel::File::Subst(Name, nullptr); }

    void Write(const std::string& name, const std::string& bytes) const
    {
        std::filesystem::create_directories(std::filesystem::path(folder / name).parent_path());
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }

    struct Release {
        void operator()(Zel::Resource* r) const
        {
            if (r)
                r->ReleaseReference();
        }
    };
    using Held = std::unique_ptr<Zel::Resource, Release>;

    static constexpr const char* Name = "asciitexturetest";
    KorvelTest::TempFolder folder;
    Zel::ResourceDatabase database{Name};
};

TEST_F(AsciiTextureResourceTest, NameFindsItsFileAndType)
{
    Write("a/b.probe-tex.txt", "Primary=x.bmp\n");
    Write("m.probe-bin", "bytes");
    struct Case {
        const char* name;
        const char* file;  // null: no resource
        bool text;
    };
    const Case cases[] = {
        {"a/b.probe-tex", "a/b.probe-tex.txt", true},
        {"A/B.PROBE-TEX", "A/B.PROBE-TEX.txt", true},
        {"m.probe-bin", "m.probe-bin", false},
        {"a/missing.probe-tex", nullptr, false},
        {"a/b.unknown", nullptr, false},
        {"noextension", nullptr, false},
    };
    for (const Case& c : cases) {
        Held resource(database.Get(c.name, 2));
        if (c.file == nullptr) {
            EXPECT_EQ(resource, nullptr) << c.name;
            continue;
        }
        ASSERT_NE(resource, nullptr) << c.name;
        EXPECT_EQ(resource->GetFileName(), c.file) << c.name;
        EXPECT_EQ(resource->IsTextForm(), c.text) << c.name;
    }
    // Nothing is cached: a second request is a new resource.
    Held first(database.Get("a/b.probe-tex", 2));
    Held second(database.Get("a/b.probe-tex", 2));
    EXPECT_NE(first.get(), second.get());
}

TEST_F(AsciiTextureResourceTest, PrimaryAndAlphaMakeOneImageAndItsAlphaHint)
{
    std::vector<uint8_t> grey(8 * 8 * 4, 255);
    std::vector<uint8_t> mask = grey;
    for (size_t i = 0; i < mask.size(); i += 8)
        mask[i] = mask[i + 1] = mask[i + 2] = 0;
    std::vector<uint8_t> ramp = grey;
    for (size_t i = 0; i < ramp.size(); i += 4)
        ramp[i] = ramp[i + 1] = ramp[i + 2] = uint8_t(i / 4);
    Write("t/Colour.BMP", TestImages::Bmp24(8, 8));
    Write("t/grey.png", TestImages::Png(8, 8, grey));
    Write("t/mask.png", TestImages::Png(8, 8, mask));
    Write("t/ramp.png", TestImages::Png(8, 8, ramp));
    struct Case {
        const char* description;
        int8_t hint;
        uint8_t firstAlpha;
    };
    const Case cases[] = {
        {"Primary=colour.bmp\n", 0, 255},
        {"Primary = colour.bmp \r\nAlpha=grey.png\r\n", 0, 255},
        {"Primary=colour.bmp\nAlpha=mask.png\n", 2, 0},
        {"Primary=colour.bmp\nAlpha=ramp.png\n", 1, 0},
        {"Alpha=mask.png\nPrimary=colour.bmp\nAlphaHint=full\n", 1, 0},
    };
    for (const Case& c : cases) {
        Write("t/x.probe-tex.txt", c.description);
        Held held(database.Get("t/x.probe-tex", 2));
        auto* texture = dynamic_cast<Zel::AsciiTextureResource*>(held.get());
        ASSERT_NE(texture, nullptr);
        ASSERT_EQ(texture->Lock(), 0) << c.description;
        EXPECT_EQ(texture->GetAlphaHint(), c.hint) << c.description;
        std::unique_ptr<Zel::Bitmap> image = texture->GetMip(0, 0);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Pixels()[3], c.firstAlpha) << c.description;
        EXPECT_EQ(texture->GetNumMipLevels(), 4u);
        EXPECT_EQ(texture->GetMip(1, 0), nullptr);
        EXPECT_TRUE(texture->Unlock());
    }
}

TEST_F(AsciiTextureResourceTest, SettingsComeFromTheDescription)
{
    Write("s/c.bmp", TestImages::Bmp24(4, 4));
    Write("s/x.probe-tex.txt", "Primary=c.bmp\nTile=s\nHint=normalmap,modifymap,dxt3\nMipFilter=none\n");
    Held held(database.Get("s/x.probe-tex", 2));
    auto* texture = dynamic_cast<Zel::AsciiTextureResource*>(held.get());
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(texture->Lock(), 0);
    EXPECT_EQ(texture->GetWrapS(), Zel::TextureRepeat);
    EXPECT_EQ(texture->GetWrapT(), Zel::TextureClamp);
    EXPECT_EQ(texture->GetNormalMapHint(), 1);
    EXPECT_EQ(texture->GetModifyMap(), 1);
    EXPECT_EQ(texture->GetCompressionChoice(), 2);
    EXPECT_FALSE(texture->UseMipMaps());
}

}  // namespace
