// KorvelBaseSpec: kind, build and file name from the config; the factory, the type test and the registry's fallback.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/resource_database.h"
#include "assetdb/spec_creation.h"
#include "scripthost/korvel_base_spec.h"
#include "scripthost/load_asset_config.h"
#include "support/temp_folder.h"

namespace {

SoupHandle Config(std::initializer_list<std::pair<const char*, const char*>> tags)
{
    SoupHandle config;
    for (const auto& tag : tags)
        config.SetNamedTag(Zel::PString(tag.first), tag.second);
    return config;
}

TEST(KorvelBaseSpecTest, FileNameFollowsTheBuildOfTheConfig)
{
    struct Case {
        SoupHandle config;
        const char* fileName;
    };
    const Case cases[] = {
        {Config({{"kind", "scenery"}, {"asset-filename", "tree"}}), "tree"},
        {Config({{"kind", "scenery"}, {"korvel-build", "2.4"}}), "Folder"},
        {Config({{"kind", "scenery"}, {"korvel-build", "2.5"}, {"asset-filename", "tree"}}), "default"},
        {Config({{"kind", "scenery"}, {"korvel-build", "3.3"}}), "default"},
        {SoupHandle(), "Folder"},
    };
    for (const Case& c : cases) {
        KorvelBaseSpec spec(KUID(1, 2, 0), Zel::PString(), Zel::String("/p"), Zel::String("Folder"), c.config);
        EXPECT_STREQ(spec.GetFileName().c_str(), c.fileName);
    }
}

TEST(KorvelBaseSpecTest, KindAndBuildComeFromTheConfig)
{
    KorvelBaseSpec spec(KUID(1, 2, 0), Zel::PString(), Zel::String(), Zel::String("f"),
                        Config({{"kind", "traincar"}, {"korvel-build", "3.3"}}));
    EXPECT_EQ(spec.GetKind().View(), "traincar");
    EXPECT_NEAR(spec.GetBuildVersion(), 3.305f, 0.0001f);
    KorvelBaseSpec bare(KUID(1, 3, 0), Zel::PString(), Zel::String(), Zel::String("f"), SoupHandle());
    EXPECT_FLOAT_EQ(bare.GetBuildVersion(), 1.3f);
    EXPECT_TRUE(bare.GetKind().IsEmpty());
}

TEST(KorvelBaseSpecTest, RegistryBuildsTheProductSpecWithoutAFactoryOnceRegistered)
{
    PemberlynxSpecRegistry registry;
    PemberlynxSpecRegistry::SetBaseSpecConstructor(nullptr);
    PemberlynxSpecRef plain = CreateSpecForKind(KUID(3, 1, 0), Zel::PString(), {}, {}, Config({{"kind", "x"}}));
    EXPECT_FALSE(IsKorvelBaseSpec(plain.Get()));

    RegisterKorvelBaseSpec();
    PemberlynxSpecRef product = CreateSpecForKind(KUID(3, 2, 0), Zel::PString(), {}, {}, Config({{"kind", "x"}}));
    EXPECT_TRUE(IsKorvelBaseSpec(product.Get()));

    PemberlynxSpecRegistry::SetBaseSpecConstructor(nullptr);
    auto* factory = new KADScript_KorvelBaseSpecFactory();
    EXPECT_EQ(factory->GetName().View(), "--KADScript_KorvelBaseSpecFactory--");
    registry.SetDefaultFactory(factory);
    PemberlynxSpecRef made = CreateSpecForKind(KUID(3, 3, 0), Zel::PString(), {}, {}, Config({{"kind", "x"}}));
    EXPECT_TRUE(IsKorvelBaseSpec(made.Get()));
    delete factory;
    EXPECT_EQ(registry.GetDefaultFactory(), nullptr);
}

TEST(LoadAssetConfigTest, ReadsTheTextConfigThroughItsDatabase)
{
    KorvelTest::TempFolder scratch;
    ASSERT_FALSE(scratch.Root().empty());
    const std::string base = scratch.Root();
    std::filesystem::create_directories(base + "/Asset");
    std::ofstream(base + "/Asset/Config.txt") << "kind \"scenery\"\n";
    SoupHandle config;
    EXPECT_TRUE(LoadAssetConfig("", Zel::File::Path((base + "/asset").c_str()), config));
    EXPECT_EQ(config.GetNamedTag(Zel::PString("kind")).View(), "scenery");
    EXPECT_FALSE(LoadAssetConfig(nullptr, Zel::File::Path((base + "/missing").c_str()), config));
    // A named database is opened for the read and given back after it.
    EXPECT_TRUE(LoadAssetConfig("loadcfg-store", Zel::File::Path((base + "/asset").c_str()), config));
    EXPECT_EQ(GetResourceDatabaseUses(Zel::PString("loadcfg-store")), 0);
    PurgeResourceDatabases();
}

}  // namespace
