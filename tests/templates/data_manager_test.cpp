// The template data manager: list files, new-form templates, personal details, template merging, mesh files by extension.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "support/scratch_tmpfs.h"
#include "template_test_support.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_list_files.h"
#include "templates/dod_messages.h"

namespace TemplateTests {
namespace {

using DODLib::DataManager;

// The personal-details file as shutdown writes it for author "Bo".
constexpr const char* BoDetails = "\xEF\xBB\xBF\r\n"
                                  "author                                  \"Bo\"\r\n"
                                  "organisation                            \r\n"
                                  "email                                   \r\n"
                                  "website                                 \r\n"
                                  "license                                 \r\n"
                                  "isinputboxon                            1\r\n";

class DataManagerTest : public TemplateTest {
protected:
    DataManager& manager() { return *DataManager::Instance(); }
};

TEST(ListLineTest, SplitsAtTheFirstBlankAndDropsTheLineEnd)
{
    struct Case {
        const char* line;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"AU Australia\r\n", "AU", "Australia"},
        {"one two three\n", "one", "two three"},
        {"single\r\n", "single", ""},
        {"single", "single", ""},
        {"trailing \n", "trailing", ""},
        {"Mixed Case Kept\r\n", "Mixed", "Case Kept"},
        {"\r\n", "", ""},
    };
    for (const Case& test : cases) {
        const auto [key, value] = DODLib::SplitListLine(test.line);
        EXPECT_STREQ(key.c_str(), test.key) << test.line;
        EXPECT_STREQ(value.c_str(), test.value) << test.line;
    }
}

TEST_F(DataManagerTest, EveryFileOfTheFolderBecomesAListAndNewFormTemplatesEndWithBridge)
{
    UseTemplateFiles(
        {{"colours.txt", "red The colour red\r\nBLUE\r\n"}, {"newFormTemplate.txt", "SCENERY\r\nTrack\n"}});
    const DODLib::ListFile* colours = manager().FindListFile(Zel::PString("Colours.TXT"));
    ASSERT_NE(colours, nullptr);
    ASSERT_EQ(colours->pairs.size(), 2u);
    EXPECT_STREQ(colours->pairs[0].second.c_str(), "The colour red");
    EXPECT_TRUE(colours->HasKey("Blue"));
    EXPECT_NE(manager().FindListFile(Zel::PString("newFormTemplate.txt")), nullptr);
    const auto& names = manager().GetNewFormTemplates();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_STREQ(names[0].c_str(), "scenery");
    EXPECT_STREQ(names[1].c_str(), "track");
    EXPECT_STREQ(names[2].c_str(), "bridge");
}

TEST_F(DataManagerTest, WithoutNewFormTemplatesTheListHoldsBridgeAlone)
{
    UseTemplateFiles({{"colours.txt", "red\n"}});
    ASSERT_EQ(manager().GetNewFormTemplates().size(), 1u);
    EXPECT_STREQ(manager().GetNewFormTemplates()[0].c_str(), "bridge");
}

// A sub-folder or an unreadable entry no longer ends the reading: the lists
// after it are still read, and "newFormTemplate.txt" too.
TEST_F(DataManagerTest, ASubFolderAndADanglingLinkAreSkippedAndTheRestIsRead)
{
    UseTemplateFiles({{"aaa.txt", "first\n"}, {"zzz.txt", "last\n"}, {"newFormTemplate.txt", "mesh\n"}});
    ASSERT_EQ(mkdir((dataFolder_ + "mmm-folder").c_str(), 0700), 0);
    ASSERT_EQ(symlink("/nonexistent/target", (dataFolder_ + "nnn-link.txt").c_str()), 0);
    RestartDataManager();
    EXPECT_NE(manager().FindListFile(Zel::PString("aaa.txt")), nullptr);
    EXPECT_NE(manager().FindListFile(Zel::PString("zzz.txt")), nullptr);
    EXPECT_EQ(manager().FindListFile(Zel::PString("mmm-folder")), nullptr);
    ASSERT_EQ(manager().GetNewFormTemplates().size(), 2u);
    EXPECT_STREQ(manager().GetNewFormTemplates()[0].c_str(), "mesh");
}

TEST_F(DataManagerTest, ALongListLineIsReadWhole)
{
    const std::string value(300, 'v');
    UseTemplateFiles({{"long.txt", "key " + value + "\r\nnext one\r\n"}});
    const DODLib::ListFile* list = manager().FindListFile(Zel::PString("long.txt"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->pairs.size(), 2u);
    EXPECT_EQ(std::string(list->pairs[0].second.c_str()), value);
    EXPECT_STREQ(list->pairs[1].first.c_str(), "next");
}

TEST_F(DataManagerTest, PersonalDetailsAreReadAtFirstUse)
{
    UseTemplateFiles({{"personalDetails.txt", "author \"Ann Example\"\r\norganisation \"Rails Ltd\"\r\n"
                                              "email \"ann@example.org\"\r\nwebsite \"example.org\"\r\n"
                                              "license \"Free\"\r\nisinputboxon 1\r\n"}});
    const DODLib::PersonalDetails& details = manager().GetPersonalDetails();
    EXPECT_STREQ(details.author.c_str(), "Ann Example");
    EXPECT_STREQ(details.organisation.c_str(), "Rails Ltd");
    EXPECT_STREQ(details.email.c_str(), "ann@example.org");
    EXPECT_STREQ(details.website.c_str(), "example.org");
    EXPECT_STREQ(details.license.c_str(), "Free");
    EXPECT_TRUE(details.isInputBoxOn);
}

TEST_F(DataManagerTest, InputBoxFlagIsOffWithoutItsTagAndOnWithoutTheFile)
{
    UseTemplateFiles({{"personalDetails.txt", "author \"Ann\"\r\n"}});
    EXPECT_FALSE(manager().GetPersonalDetails().isInputBoxOn);
    UseTemplateFiles({{"other.txt", "x\n"}});
    EXPECT_TRUE(manager().GetPersonalDetails().isInputBoxOn);
}

TEST_F(DataManagerTest, ShutdownWritesThePersonalDetailsEvenWhenThereWereNone)
{
    UseTemplateFiles({{"other.txt", "x\n"}});
    manager().GetPersonalDetails().author = "Bo";
    DataManager::Shutdown();
    const std::string written = ReadFile(dataFolder_ + "personalDetails.txt");
    const std::string expected = BoDetails;
    EXPECT_EQ(written, expected);
    // Written through a temporary twin that is gone afterwards.
    int entries = 0;
    Zel::File::Find find;
    ASSERT_TRUE(find.Open((dataFolder_ + "*").c_str()));
    while (find.Next())
        ++entries;
    EXPECT_EQ(entries, 2);
    // And read back by the next start.
    RestartDataManager();
    EXPECT_STREQ(manager().GetPersonalDetails().author.c_str(), "Bo");
}

// The file is replaced through a renamed twin, so an unchanged inode shows
// that details already on disk as they would be written were left alone.
TEST_F(DataManagerTest, ShutdownLeavesAnUnchangedPersonalDetailsFileAlone)
{
    const std::string details = BoDetails;
    UseTemplateFiles({{"personalDetails.txt", details}});
    const std::string path = dataFolder_ + "personalDetails.txt";
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    DataManager::Shutdown();
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadFile(path), details);

    RestartDataManager();
    manager().GetPersonalDetails().author = "Cy";
    DataManager::Shutdown();
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_NE(ReadFile(path).find("\"Cy\""), std::string::npos);
}

// Start-up hands the manager the engine without reading the folder; a
// command that never uses the data still writes back the details it finds.
TEST_F(DataManagerTest, AManagerNeverUsedReadsNoListsAndKeepsThePersonalDetails)
{
    UseTemplateFiles({{"personalDetails.txt", "author \"Ann\"\r\nisinputboxon 0\r\n"}, {"colours.txt", "red\r\n"}});
    DataManager::Shutdown();
    DataManager::Initialise(dataFolder_.c_str());
    ASSERT_NE(DataManager::InstanceUnread(), nullptr);
    EXPECT_TRUE(DataManager::InstanceUnread()->GetListFiles().empty());
    DataManager::Shutdown();
    const std::string written = ReadFile(dataFolder_ + "personalDetails.txt");
    EXPECT_NE(written.find("author                                  \"Ann\"\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("isinputboxon                            0\r\n"), std::string::npos) << written;
    DataManager::Initialise(dataFolder_.c_str());
    EXPECT_NE(manager().FindListFile(Zel::PString("colours.txt")), nullptr);
}

// The personal details of a folder that cannot be written stay as they were
// on disk, and shutdown still completes.
TEST_F(DataManagerTest, AReadOnlyDataFolderKeepsItsPersonalDetails)
{
    UseTemplateFiles({{"personalDetails.txt", "author \"Kept\"\r\n"}});
    const std::string original = ReadFile(dataFolder_ + "personalDetails.txt");
    KorvelTest::ScratchTmpfs disk(dataFolder_, 64 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Reason();
    WriteFile(dataFolder_ + "personalDetails.txt", original);
    RestartDataManager();
    const std::string before = ReadFile(dataFolder_ + "personalDetails.txt");
    ASSERT_TRUE(disk.MakeReadOnly()) << disk.Reason();
    manager().GetPersonalDetails().author = "Changed";
    DataManager::Shutdown();
    EXPECT_EQ(ReadFile(dataFolder_ + "personalDetails.txt"), before);
    EXPECT_NE(before.find("Kept"), std::string::npos);
    disk.Unmount();
    RestartDataManager();
}

TEST_F(DataManagerTest, ALaterTemplateFileReplacesAnEarlierDefinition)
{
    UseTemplateFiles({
        {"kind.txt", "bridge\r\n{\r\n  from \"kind\"\r\n}\r\n"},
        {"container.txt", "bridge\r\n{\r\n  from \"container\"\r\n}\r\n"},
        {"inheritance.txt", "bridge\r\n{\r\n  from \"inheritance\"\r\n}\r\nbase\r\n{\r\n}\r\n"},
    });
    manager().LoadTemplates();
    const SoupHandle library = manager().GetLibrary();
    EXPECT_STREQ(library.GetNamedSoup(Zel::PString("bridge")).GetNamedTag(Zel::PString("from")).c_str(), "container");
    EXPECT_TRUE(library.GetNamedSoup(Zel::PString("base")).Root());
}

TEST_F(DataManagerTest, AMissingDataFolderLeavesEverythingEmpty)
{
    DataManager::Shutdown();
    DataManager::Initialise((base_ + "/nowhere/").c_str());
    EXPECT_TRUE(manager().GetListFiles().empty());
    EXPECT_TRUE(manager().GetNewFormTemplates().empty());
    manager().LoadTemplates();
    EXPECT_EQ(manager().GetLibrary().CountTags(), 0);
    DataManager::Shutdown();
    DataManager::Initialise(dataFolder_.c_str());
}

TEST(DataManagerDeathTest, UseBeforeInitialiseEndsTheProcess)
{
    DataManager::Shutdown();
    EXPECT_EXIT(DataManager::Instance(), ::testing::ExitedWithCode(1),
                "DataManager::Instance> datamanger not initialised");
}

class MeshFileTest : public DataManagerTest {
protected:
    void SetUp() override
    {
        DataManagerTest::SetUp();
        folder_ = MakeAsset("meshes", "kind \"scenery\"\n");
        manager().SetAsset(Zel::PString("editing"), Zel::File::Path("meshes/"));
    }
    std::string folder_;
};

TEST_F(MeshFileTest, AProgressiveMeshIsAWarningBefore29AndAnErrorFrom29)
{
    WriteFile(folder_ + "/body.pm", QuadMesh());
    for (const auto& [build, severity] : {std::pair{2.801f, 2}, std::pair{2.901f, 3}}) {
        DODLib::ErrorHandler::Instance()->Clear();
        manager().SetMeshFailed(false);
        manager().SetBuild(build);
        DODLib::Container box;
        EXPECT_EQ(manager().CheckMeshFile(Zel::PString("meshes/body.pm"), &box), nullptr);
        EXPECT_TRUE(manager().IsMeshFailed());
        ASSERT_EQ(Findings().size(), 1u);
        EXPECT_EQ(Findings()[0], (Finding{severity, Text("$dod_dm_unsupportedformat")}));
    }
}

TEST_F(MeshFileTest, AnAnimationAfterAFailedMeshAddsNothingMore)
{
    DODLib::Container box;
    EXPECT_EQ(manager().CheckMeshFile(Zel::PString("meshes/missing.im"), &box), nullptr);
    EXPECT_TRUE(manager().IsMeshFailed());
    ASSERT_EQ(Findings().size(), 1u);
    EXPECT_EQ(manager().CheckMeshFile(Zel::PString("meshes/walk.kin"), &box), nullptr);
    EXPECT_EQ(Findings().size(), 1u);
}

TEST_F(MeshFileTest, AnAnimationWithoutAMeshFails)
{
    DODLib::Container box;
    EXPECT_EQ(manager().CheckMeshFile(Zel::PString("meshes/walk.kin"), &box), nullptr);
    ASSERT_EQ(Findings().size(), 1u);
    EXPECT_EQ(Findings()[0].severity, 3);
    EXPECT_NE(Findings()[0].text.find("meshes/walk.kin"), std::string::npos);
}

TEST_F(MeshFileTest, ASecondMeshForTheSameContainerReplacesTheFirst)
{
    WriteFile(folder_ + "/a.im", QuadMesh());
    WriteFile(folder_ + "/b.im", QuadMesh());
    DODLib::Container box;
    DODLib::MeshData* first = manager().CheckMeshFile(Zel::PString("meshes/a.im"), &box);
    ASSERT_NE(first, nullptr);
    DODLib::MeshData* second = manager().CheckMeshFile(Zel::PString("meshes/b.im"), &box);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(manager().GetMeshFor(&box), second);
    EXPECT_STREQ(second->GetFilePath().c_str(), "meshes/b.im");
    EXPECT_TRUE(Findings().empty());
}

TEST_F(MeshFileTest, ATextLodDescriptionLoadsItsLodMeshAndOtherNamesLoadNothing)
{
    WriteFile(folder_ + "/body.lm", LodMesh(2));
    DODLib::Container box;
    DODLib::MeshData* mesh = manager().CheckMeshFile(Zel::PString("meshes/body.lm.txt"), &box);
    ASSERT_NE(mesh, nullptr);
    EXPECT_STREQ(mesh->GetFilePath().c_str(), "meshes/body.lm");
    EXPECT_EQ(manager().CheckMeshFile(Zel::PString("meshes/notes.txt"), &box), nullptr);
    EXPECT_EQ(manager().CheckMeshFile(Zel::PString("meshes/noextension"), &box), nullptr);
    EXPECT_EQ(manager().CheckMeshFile(Zel::PString(""), &box), nullptr);
    EXPECT_TRUE(Findings().empty());
}

TEST_F(MeshFileTest, ALodMeshOfASceneryWithOneLowLevelGetsThreePerformanceNotes)
{
    manager().SetMeshLoader([](const Zel::PString&, bool, DODLib::Container*) {
        auto mesh = std::make_unique<DODLib::MeshData>();
        mesh->SetInspected(true);
        mesh->SetLevels(1, 299);
        return mesh;
    });
    for (const auto& [kind, notes] : {std::pair{"scenery", 3u}, std::pair{"traincar", 0u}}) {
        DODLib::ErrorHandler::Instance()->Clear();
        DODLib::Container top;
        top.Validate(ParseSoup(std::string("kind \"") + kind + "\"\n"));
        DODLib::Container* owner = &top;
        // A mesh element below the top container; its owner's config names the kind.
        DODLib::Container* element =
            top.CreateChildContainer(Zel::PString("default"), owner, Zel::PString("mesh-element"), 0, top.GetConfig());
        ASSERT_NE(element, nullptr);
        top.AddChild(element);
        DODLib::ErrorHandler::Instance()->Clear();
        ASSERT_NE(manager().CheckMeshFile(Zel::PString("meshes/body.lm"), element), nullptr);
        EXPECT_EQ(TextsOf(2).size(), notes) << kind;
        if (notes == 3) {
            EXPECT_EQ(TextsOf(2)[0], DODLib::FindingText("$dod_lm_performance_no_attachments", "body.lm").c_str());
            EXPECT_EQ(TextsOf(2)[2], DODLib::FindingText("$dod_lm_performance_low_poly", "body.lm").c_str());
        }
    }
}

}  // namespace
}  // namespace TemplateTests
