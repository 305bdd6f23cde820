// The spec registry: creation by kind, the id index, references and purges, validation, the leak report and the lookups.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assetdb/client_test_environment.h"
#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/resource_database.h"
#include "assetdb/spec_creation.h"
#include "assetdb/spec_daemon_queries.h"
#include "assetdb/spec_lookup.h"
#include "support/temp_folder.h"
#include "zel/log.h"

namespace {

// The daemon as the lookups see it: counted answers from the test's tables.
struct FakeQueries {
    int resolveCalls = 0;
    int configPathCalls = 0;
    KUID resolveTo = NullKUID;  // null: answer the id itself
    std::string storeName;
    std::string folder;
};
FakeQueries* fake = nullptr;

KUID FakeResolve(const KUID& id)
{
    ++fake->resolveCalls;
    return fake->resolveTo.IsNull() ? id : fake->resolveTo;
}

void FakeConfigPath(const KUID&, bool, Zel::PString& name, Zel::File::Path& folder)
{
    ++fake->configPathCalls;
    name = Zel::PString(fake->storeName.c_str());
    folder = Zel::File::Path(fake->folder.c_str());
}

Zel::String FakeName(const KUID&)
{
    return Zel::String("Test Asset");
}

const SpecDaemonQueries fakeQueries{FakeResolve, FakeConfigPath, FakeName};

int deletedSpecs = 0;

// A spec whose validity the test chooses, counting its deletions.
class TestSpec : public PemberlynxSpec {
public:
    TestSpec(const KUID& id, const SoupHandle& config, bool valid)
        : PemberlynxSpec(id, Zel::PString(), Zel::String(), Zel::String(), config), valid_(valid)
    {}
    ~TestSpec() override { ++deletedSpecs; }
    bool IsValid() override { return valid_; }
    void OnValidated() override { ++validatedCalls; }
    int validatedCalls = 0;

private:
    bool valid_;
};

class KindFactory : public PXSpecFactory {
public:
    KindFactory(const char* kind, bool valid) : PXSpecFactory(Zel::PString(kind)), valid_(valid) {}
    PemberlynxSpec* CreateSpec(const KUID& id, const Zel::PString&, const Zel::String&, const Zel::String&,
                               SoupHandle config) override
    {
        ++created;
        return new TestSpec(id, config, valid_);
    }
    int created = 0;

private:
    bool valid_;
};

SoupHandle Config(const char* kind)
{
    SoupHandle config;
    config.SetNamedTag(Zel::PString("kind"), kind);
    return config;
}

bool RejectEverything(PemberlynxSpec*)
{
    return false;
}

class SpecRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClientTestRoot();
        ASSERT_EQ(PemberlynxSpecRegistry::Instance(), nullptr);
        registry = new PemberlynxSpecRegistry();
        fake = &queries;
        SetSpecDaemonQueries(&fakeQueries);
        deletedSpecs = 0;
        ASSERT_FALSE(base.empty());
    }
    void TearDown() override
    {
        delete registry;
        SetSpecDaemonQueries(nullptr);
        fake = nullptr;
        PurgeResourceDatabases();
    }
    std::string WriteAsset(const std::string& folder, const std::string& configText)
    {
        std::filesystem::create_directories(base + "/" + folder);
        std::ofstream(base + "/" + folder + "/config.txt") << configText;
        return base + "/" + folder;
    }

    PemberlynxSpecRegistry* registry = nullptr;
    FakeQueries queries;
    KorvelTest::TempFolder place{"specreg"};
    const std::string& base = place.Root();
};

TEST(ChunkedHashTableTest, BucketIsTheMixedIdModuloOnUnsignedWords)
{
    struct Case {
        KUID id;
        uint32_t bucket;
    };
    const Case cases[] = {
        {KUID(1, 2, 3), ((2u << 5) ^ 3u ^ 1u) % 4093u},
        {KUID(-1, 5, 0), ((5u << 5) ^ 0u ^ 0xFFFFFFFFu) % 4093u},
        {KUID(123456, -7, 127), ((uint32_t(-7) << 5) ^ 127u ^ 123456u) % 4093u},
        {KUID(4093, 0, 0), 0u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChunkedHashTable::BucketOf(c.id), c.bucket) << c.id.ToTagString().c_str();
}

// A table nothing was put in has no bucket array yet: every operation still answers.
TEST(ChunkedHashTableTest, EmptyTableFindsVisitsAndClearsNothing)
{
    ChunkedHashTable table;
    EXPECT_EQ(table.Find(KUID(1, 2, 3)), nullptr);
    int visited = 0;
    table.ForEach([&](PemberlynxSpec*) { ++visited; });
    EXPECT_EQ(visited, 0);
    table.Clear();
    EXPECT_EQ(table.Count(), 0);
}

TEST_F(SpecRegistryTest, CreatedSpecIsIndexedByIdAndHeldByReferences)
{
    KUID id(100, 200, 1);
    PemberlynxSpecRef spec = CreateSpecForKind(id, Zel::PString(), Zel::String("/p"), Zel::String("a"), Config("x"));
    ASSERT_TRUE(spec);
    EXPECT_EQ(spec->GetReferenceCount(), 1);
    EXPECT_EQ(registry->Find(id), spec.Get());
    EXPECT_EQ(spec->MakeFilePath("config.txt").Str(), "/p/a/config.txt");
    {
        PemberlynxSpecRef found = FindLoadedSpec(id);
        EXPECT_EQ(found.Get(), spec.Get());
        EXPECT_EQ(spec->GetReferenceCount(), 2);
    }
    EXPECT_FALSE(registry->Purge());
    spec.Release();
    EXPECT_TRUE(registry->Purge());
    EXPECT_FALSE(FindLoadedSpec(id));
    EXPECT_EQ(registry->IndexedCount(), 0);
}

TEST_F(SpecRegistryTest, NullAndReservedIdsAreNeverFound)
{
    PemberlynxSpecRef nullSpec = CreateSpecForKind(NullKUID, Zel::PString(), {}, {}, Config("x"));
    PemberlynxSpecRef reserved = CreateSpecForKind(KUID(-1, -2, 127), Zel::PString(), {}, {}, Config("x"));
    ASSERT_TRUE(nullSpec && reserved);
    EXPECT_TRUE(nullSpec->IsNullAsset());
    EXPECT_FALSE(FindLoadedSpec(NullKUID));
    EXPECT_FALSE(FindLoadedSpec(KUID(-1, -2, 127)));
}

TEST_F(SpecRegistryTest, FactoryIsChosenByKindWithoutRegardToCaseElseTheDefault)
{
    auto* scenery = new KindFactory("Scenery", true);
    KindFactory fallback("--fallback--", true);
    registry->AddFactory(scenery);
    PemberlynxSpecRef first = CreateSpecForKind(KUID(1, 1, 0), Zel::PString(), {}, {}, Config("sCENERY"));
    EXPECT_EQ(scenery->created, 1);
    EXPECT_NE(dynamic_cast<TestSpec*>(first.Get()), nullptr);

    PemberlynxSpecRef plain = CreateSpecForKind(KUID(1, 2, 0), Zel::PString(), {}, {}, Config("traincar"));
    EXPECT_EQ(dynamic_cast<TestSpec*>(plain.Get()), nullptr);

    registry->SetDefaultFactory(&fallback);
    PemberlynxSpecRef defaulted = CreateSpecForKind(KUID(1, 3, 0), Zel::PString(), {}, {}, Config("traincar"));
    EXPECT_EQ(fallback.created, 1);
    registry->SetDefaultFactory(nullptr);
    // The registry deletes the factories it was given; the default is the caller's.
}

TEST_F(SpecRegistryTest, DeletedFactoryLeavesTheRegistry)
{
    auto* factory = new KindFactory("bridge", true);
    registry->AddFactory(factory);
    registry->SetDefaultFactory(factory);
    delete factory;
    EXPECT_EQ(registry->FindFactory(Zel::PString("bridge")), nullptr);
    EXPECT_EQ(registry->GetDefaultFactory(), nullptr);
}

TEST_F(SpecRegistryTest, InvalidSpecIsRetiredUnreachableAndDeletedByTheLeakReport)
{
    registry->AddFactory(new KindFactory("broken", false));
    KUID id(5, 6, 0);
    PemberlynxSpecRef spec = CreateSpecForKind(id, Zel::PString(), {}, {}, Config("broken"));
    ASSERT_TRUE(spec);
    EXPECT_FALSE(IsSpecUsable(*spec.Get()));
    EXPECT_FALSE(spec->IsValidated());
    EXPECT_FALSE(FindLoadedSpec(id));
    EXPECT_EQ(registry->RetiredCount(), 1);
    EXPECT_EQ(registry->LiveCount(), 0);
    spec.Release();
    EXPECT_EQ(deletedSpecs, 0);
    registry->ReportLeaks();
    EXPECT_EQ(deletedSpecs, 1);
    EXPECT_EQ(registry->RetiredCount(), 0);
}

TEST_F(SpecRegistryTest, FirstUseRunsOnceAndValidSpecsAreTold)
{
    registry->AddFactory(new KindFactory("good", true));
    PemberlynxSpecRef spec = CreateSpecForKind(KUID(7, 8, 0), Zel::PString(), {}, {}, Config("good"));
    auto* test = dynamic_cast<TestSpec*>(spec.Get());
    ASSERT_NE(test, nullptr);
    EXPECT_FALSE(spec->IsFirstUseDone());
    EXPECT_TRUE(IsSpecUsable(*spec.Get()));
    EXPECT_TRUE(IsSpecUsable(*spec.Get()));
    EXPECT_TRUE(spec->IsUsed());
    EXPECT_EQ(test->validatedCalls, 1);
}

TEST_F(SpecRegistryTest, NullIdSpecIsNeverValid)
{
    PemberlynxSpecRef spec = CreateSpecForKind(NullKUID, Zel::PString(), {}, {}, Config("x"));
    ValidateSpec(*spec.Get());
    EXPECT_FALSE(spec->IsValidated());
}

TEST_F(SpecRegistryTest, LeakReportListsHeldSpecsWithRightAlignedCounts)
{
    PemberlynxSpecRef held = CreateSpecForKind(KUID(9, 10, 2), Zel::PString(), {}, {}, Config("x"));
    PemberlynxSpecRef second = held;
    PemberlynxSpecRef dropped = CreateSpecForKind(KUID(9, 11, 0), Zel::PString(), {}, {}, Config("x"));
    dropped.Release();

    std::FILE* capture = std::tmpfile();
    Zel::Log::SetOutput(capture);
    registry->ReportLeaks();
    Zel::Log::SetOutput(nullptr);
    std::rewind(capture);
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, capture) != nullptr)
        text += buffer;
    std::fclose(capture);

    EXPECT_NE(text.find("Leaked specs:"), std::string::npos) << text;
    std::string expected = std::string("  (   2) - ") + KUID(9, 10, 2).ToTagString().c_str() + " \"Test Asset\"";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
    EXPECT_EQ(registry->LiveCount(), 1);
}

TEST_F(SpecRegistryTest, LookupOfTheNullIdAsksNothing)
{
    EXPECT_FALSE(LookupSpecForKUID(NullKUID, nullptr, false));
    EXPECT_EQ(queries.resolveCalls + queries.configPathCalls, 0);
}

TEST_F(SpecRegistryTest, MissingFolderIsRememberedAsAFailureUntilTheLeakReport)
{
    KUID id(20, 21, 0);
    EXPECT_FALSE(LookupSpecForKUID(id, nullptr, false));
    EXPECT_EQ(queries.resolveCalls, 1);
    EXPECT_EQ(queries.configPathCalls, 1);
    EXPECT_FALSE(LookupSpecForKUID(id, nullptr, false));
    EXPECT_EQ(queries.resolveCalls, 1);
    EXPECT_EQ(queries.configPathCalls, 1);

    registry->ReportLeaks();
    EXPECT_FALSE(LookupSpecForKUID(id, nullptr, false));
    EXPECT_EQ(queries.resolveCalls, 2);
}

TEST_F(SpecRegistryTest, LoadedSpecSplitsItsFolderAndIsFoundAgainWithoutTheDaemon)
{
    queries.folder = WriteAsset("local/Asset Folder", "kuid <kuid:30:31>\nkind \"scenery\"\n");
    KUID id(30, 31, 0);
    PemberlynxSpecRef spec = LookupSpecForKUID(id, nullptr, false);
    ASSERT_TRUE(spec);
    EXPECT_EQ(std::string(spec->GetParentFolder().c_str()), base + "/local");
    EXPECT_EQ(std::string(spec->GetAssetFolderName().c_str()), "Asset Folder");
    EXPECT_EQ(spec->GetConfig().GetNamedTag(Zel::PString("kind")).View(), "scenery");

    PemberlynxSpecRef again = LookupSpecForKUID(id, nullptr, false);
    EXPECT_EQ(again.Get(), spec.Get());
    EXPECT_EQ(queries.configPathCalls, 1);
    EXPECT_EQ(queries.resolveCalls, 1);
}

TEST_F(SpecRegistryTest, RejectedLoadedSpecIsRememberedSoTheNextLookupSkipsTheResolution)
{
    queries.resolveTo = KUID(40, 41, 3);
    PemberlynxSpecRef loaded = CreateSpecForKind(KUID(40, 41, 3), Zel::PString(), {}, {}, Config("x"));
    EXPECT_FALSE(LookupSpecForKUID(KUID(40, 41, 0), RejectEverything, false));
    EXPECT_EQ(queries.resolveCalls, 1);
    EXPECT_FALSE(LookupSpecForKUID(KUID(40, 41, 0), RejectEverything, false));
    EXPECT_EQ(queries.resolveCalls, 1);
    EXPECT_EQ(queries.configPathCalls, 0);
    // Accepted under the remembered resolution.
    EXPECT_EQ(LookupSpecForKUID(KUID(40, 41, 0), nullptr, false).Get(), loaded.Get());
    EXPECT_EQ(queries.resolveCalls, 1);
}

TEST_F(SpecRegistryTest, SpecRejectedWhileLoadingIsNotRemembered)
{
    queries.folder = WriteAsset("local/a", "kind \"scenery\"\n");
    EXPECT_FALSE(LookupSpecForKUID(KUID(42, 43, 0), RejectEverything, false));
    EXPECT_EQ(queries.configPathCalls, 1);
    EXPECT_TRUE(LookupSpecForKUID(KUID(42, 43, 0), nullptr, false));
    EXPECT_EQ(queries.resolveCalls, 2);
}

TEST_F(SpecRegistryTest, ConfigWithoutTagsGivesNoSpecAndIsTriedAgain)
{
    queries.folder = WriteAsset("local/empty", "");
    KUID id(50, 51, 0);
    EXPECT_FALSE(LookupSpecForKUID(id, nullptr, false));
    EXPECT_FALSE(LookupSpecForKUID(id, nullptr, false));
    EXPECT_EQ(queries.configPathCalls, 2);
    EXPECT_EQ(registry->LiveCount(), 0);
}

TEST_F(SpecRegistryTest, ConfigChumpIsPreferredAndAStoreNameOpensItsDatabaseForTheRead)
{
    std::string folder = WriteAsset("pack/asset", "kind \"from-text\"\n");
    SoupHandle binary;
    binary.SetNamedTag(Zel::PString("kind"), "from-chump");
    ASSERT_TRUE(binary.SaveToFile(Zel::PString(), (folder + "/config.chump").c_str()));
    SoupHandle config;
    ASSERT_TRUE(ReadSpecConfig(nullptr, Zel::File::Path(folder.c_str()), config));
    EXPECT_EQ(config.GetNamedTag(Zel::PString("kind")).View(), "from-chump");
}

}  // namespace
