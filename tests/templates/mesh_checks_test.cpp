// Mesh checks through real mesh files in an asset folder: loads, set-up failures, textures and their images, attachments, bones, animations and release.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mesh/indexed_mesh_instance.h"
#include "mesh/lm_writer.h"
#include "template_test_support.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_lod_mesh_data.h"
#include "templates/dod_mesh_data.h"
#include "templates/dod_messages.h"
#include "zel/camera.h"
#include "zel/parallel_light.h"
#include "zel/pstring.h"
#include "zel/render_kernel.h"
#include "zel/kin_animation.h"

namespace TemplateTests {
namespace {

using DODLib::DataManager;

std::string Error(const char* key, const std::string& a, const std::string& b = "", const std::string& c = "")
{
    return DODLib::FindingText(key, a.c_str(), b.c_str(), c.c_str()).c_str();
}

// A quad with a skeleton of two bones, "root" and its child "arm".
std::string BonedMesh()
{
    KorvelTest::ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    file.skeleton = KorvelTest::SkeletonBytes(KorvelTest::BoneBytes("root", {KorvelTest::BoneBytes("arm", {})}));
    return KorvelTest::WriteIm(file);
}

std::string Animation(const std::vector<std::string>& bones)
{
    Zel::KinAnimation animation;
    animation.bones = bones;
    animation.frameCount = 3;
    const std::vector<uint8_t> bytes = Zel::WriteKinAnimation(animation);
    return std::string(bytes.begin(), bytes.end());
}

class MeshChecksTest : public TemplateTest {
protected:
    void SetUp() override
    {
        TemplateTest::SetUp();
        folder_ = MakeAsset("shed", "kind \"scenery\"\n");
        manager().SetAsset(Zel::PString("editing"), Zel::File::Path("shed/"));
    }
    DataManager& manager() { return *DataManager::Instance(); }
    void Write(const std::string& name, const std::string& bytes) { WriteFile(folder_ + "/" + name, bytes); }
    // Checks a file named by a config of the asset, as the field types do.
    DODLib::MeshData* Check(const std::string& name, DODLib::Container* container = nullptr)
    {
        return manager().CheckMeshFile(Zel::PString(("shed/" + name).c_str()), container ? container : &box_);
    }
    std::vector<std::string> Errors() const { return TextsOf(3); }

    std::string folder_;
    DODLib::Container box_;
};

TEST_F(MeshChecksTest, EachMeshIsReportedByWhatFailsInIt)
{
    std::string torn = QuadMesh();
    torn.resize(torn.size() - 20);
    KorvelTest::ImFile newer;
    newer.chunks.push_back(KorvelTest::QuadChunk());
    newer.chunks[0].geometry.version = 202;
    KorvelTest::ImFile unknownMaterial;
    unknownMaterial.chunks.push_back(KorvelTest::QuadChunk("body.m.nosuchtype"));
    Write("wood.tga", "image");
    Write("body.im", QuadMesh({"wood.tga"}));
    Write("torn.im", torn);
    Write("newer.im", KorvelTest::WriteIm(newer));
    Write("strange.im", KorvelTest::WriteIm(unknownMaterial));
    Write("bare.im", QuadMesh({"bark.tga"}));
    Write("junk.lm", "not a mesh");
    struct Case {
        const char* name;
        bool loads;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"body.im", true, {}},
        // Names are looked up in lower case.
        {"BODY.IM", true, {}},
        {"gone.im", false, {Error("$dod_mesh_load_mesh", "gone.im")}},
        {"torn.im", false, {Error("$dod_mesh_initialise_mesh", "torn.im")}},
        {"newer.im", false, {Error("$dod_mesh_initialise_mesh", "newer.im")}},
        {"strange.im", false, {Error("$dod_mesh_initialise_mesh", "strange.im")}},
        {"junk.lm", false, {Error("$dod_mesh_initialise_mesh", "junk.lm")}},
        {"gone.lm", false, {Error("$dod_mesh_load_mesh", "gone.lm")}},
        // The texture could not be set on the material, nor found.
        {"bare.im",
         true,
         {Error("$dod_mesh_failedmaterial", "bark.tga", "bare.im"),
          Error("$dod_mesh_load_texture", "bark.tga", "bark.tga", "bare.im")}},
        // Names leaving the asset's folder read nothing.
        {"../shed/body.im", false, {Error("$dod_mesh_load_mesh", "../shed/body.im")}},
        {"sub/../body.im", true, {}},
    };
    for (const Case& c : cases) {
        DODLib::ErrorHandler::Instance()->Clear();
        manager().SetMeshFailed(false);
        DODLib::Container container;
        DODLib::MeshData* mesh = Check(c.name, &container);
        EXPECT_EQ(mesh != nullptr, c.loads) << c.name;
        EXPECT_EQ(manager().IsMeshFailed(), !c.loads) << c.name;
        EXPECT_EQ(Errors(), c.errors) << c.name;
        if (mesh) {
            EXPECT_TRUE(mesh->HasInstance()) << c.name;
            EXPECT_EQ(mesh->GetFaceCount(), 2u) << c.name;
        }
        manager().ReleaseLoadedMeshes();
    }
}

TEST_F(MeshChecksTest, DescribedTexturesNeedTheImageTheirPrimaryLineNames)
{
    Write("lit.texture.txt", "Alpha=lit_a.tga\r\nPrimary=Lit.TGA\r\n");
    Write("lit.tga", "image");
    Write("dark.texture.txt", "Primary=dark.tga\r\n");
    Write("plain.texture.txt", "Alpha=plain_a.tga\r\n");
    Write("last.texture.txt", "Primary=last.tga");
    Write("textures.im", QuadMesh({"lit.texture", "dark.texture", "plain.texture", "last.texture"}));
    ASSERT_NE(Check("textures.im"), nullptr);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            Error("$dod_mesh_load_texture", "dark.tga", "dark.texture", "textures.im"),
                            // A matching last line without its line end counts as well.
                            Error("$dod_mesh_load_texture", "last.tga", "last.texture", "textures.im"),
                        }));
}

TEST_F(MeshChecksTest, AttachmentPointsKeepTheTextAfterTheirLastSlashAndOfferComboboxChoices)
{
    Write("lamp.im", QuadMesh({}, {"a.bulb", "body/a.roof", "scene/lights/a.left"}));
    DODLib::MeshData* mesh = Check("lamp.im");
    ASSERT_NE(mesh, nullptr);
    std::vector<std::string> names;
    for (const MeshAttachment& point : mesh->GetAttachmentPoints())
        names.push_back(point.name);
    EXPECT_EQ(names, (std::vector<std::string>{"a.bulb", "a.roof", "a.left"}));
    EXPECT_EQ(mesh->GetAttachmentPointCount(), 3);
    EXPECT_TRUE(manager().HasEntryFor(Zel::PString("a.left"), Zel::PString("attachment")));
    EXPECT_FALSE(manager().HasEntryFor(Zel::PString("lights/a.left"), Zel::PString("attachment")));
    // Released between validations: the next asset is offered nothing of it.
    manager().ReleaseLoadedMeshes();
    EXPECT_EQ(manager().GetMeshFor(&box_), nullptr);
    EXPECT_FALSE(manager().HasEntryFor(Zel::PString("a.left"), Zel::PString("attachment")));
}

TEST_F(MeshChecksTest, AnimationsLoadOntoTheLastMeshWhenTheirBonesAreInItsSkeleton)
{
    Write("man.im", BonedMesh());
    Write("wave.kin", Animation({"Root"}));
    Write("tail.kin", Animation({"arm", "tail"}));
    Write("torn.kin", Animation({"root"}).substr(0, 30));
    DODLib::MeshData* mesh = Check("man.im");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetBoneCount(), 2);
    EXPECT_STREQ(mesh->GetBones()[0].name.c_str(), "root");
    EXPECT_STREQ(mesh->GetBones()[1].name.c_str(), "arm");
    struct Case {
        const char* name;
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {"WAVE.kin", {}},
        {"tail.kin", {Error("$dod_mesh_animationfailedskeleton", "tail.kin")}},
        {"torn.kin", {Error("$dod_mesh_animationfailedres", "torn.kin")}},
        {"gone.kin", {Error("$dod_mesh_animationfailedres", "gone.kin")}},
    };
    for (const Case& c : cases) {
        DODLib::ErrorHandler::Instance()->Clear();
        EXPECT_EQ(Check(c.name), nullptr);
        EXPECT_EQ(Errors(), c.errors) << c.name;
    }
    ASSERT_EQ(mesh->GetAnimations().size(), 1u);
    EXPECT_STREQ(mesh->GetAnimations()[0].c_str(), "shed/wave.kin");
}

TEST_F(MeshChecksTest, LodMeshesAreJudgedByTheirRealLevels)
{
    struct Case {
        int levels, lowestFaces;
        std::vector<const char*> notes;
    };
    const Case cases[] = {
        {1,
         299,
         {"$dod_lm_performance_no_attachments", "$dod_lm_performance_single_lod", "$dod_lm_performance_low_poly"}},
        {4, 300, {"$dod_lm_performance_no_attachments"}},
        {2, 20, {"$dod_lm_performance_no_attachments", "$dod_lm_performance_low_poly"}},
    };
    for (const Case& c : cases) {
        Write("tower.lm", LodMesh(c.levels, c.lowestFaces));
        DODLib::ErrorHandler::Instance()->Clear();
        DODLib::Container top;
        top.Validate(ParseSoup("kind \"scenery\"\n"));
        DODLib::Container* element =
            top.CreateChildContainer(Zel::PString("default"), &top, Zel::PString("mesh-element"), 0, top.GetConfig());
        ASSERT_NE(element, nullptr);
        top.AddChild(element);
        DODLib::ErrorHandler::Instance()->Clear();
        auto* mesh = dynamic_cast<DODLib::LODMeshData*>(Check("tower.lm", element));
        ASSERT_NE(mesh, nullptr) << c.levels;
        EXPECT_EQ(mesh->GetLevelCount(), c.levels);
        EXPECT_EQ(mesh->GetLowestLevelFaces(), c.lowestFaces);
        std::vector<std::string> expected;
        for (const char* key : c.notes)
            expected.push_back(DODLib::FindingText(key, "tower.lm").c_str());
        EXPECT_EQ(TextsOf(2), expected) << c.levels;
        EXPECT_TRUE(Errors().empty()) << c.levels;
    }
}

TEST_F(MeshChecksTest, AConfigLendingItsMeshesIsNotToldOfMeshesItDoesNotHold)
{
    manager().SetSkipAnimation(true);
    EXPECT_EQ(Check("gone.im"), nullptr);
    EXPECT_EQ(Check("gone.kin"), nullptr);
    EXPECT_TRUE(Errors().empty());
    // A file that is there but does not load is reported all the same.
    Write("junk.im", "not a mesh");
    EXPECT_EQ(Check("junk.im"), nullptr);
    EXPECT_EQ(Errors(), (std::vector<std::string>{Error("$dod_mesh_initialise_mesh", "junk.im")}));
}

TEST_F(MeshChecksTest, AnAnimationNeedsAMeshWithAnInstance)
{
    Write("wave.kin", Animation({}));
    Write("body.pm", QuadMesh());
    // A progressive mesh is not supported and leaves nothing to animate.
    EXPECT_EQ(Check("body.pm"), nullptr);
    manager().SetMeshFailed(false);
    DODLib::ErrorHandler::Instance()->Clear();
    EXPECT_EQ(Check("wave.kin"), nullptr);
    EXPECT_EQ(Errors(), (std::vector<std::string>{Error("$dod_dm_animationfailed", "shed/wave.kin")}));
}

}  // namespace
}  // namespace TemplateTests

namespace TemplateTests {
namespace {

TEST_F(MeshChecksTest, OnlyTheNewestMeshIsMarkedAndASecondMeshOfAContainerReplacesItsFirst)
{
    Write("a.im", QuadMesh());
    Write("b.im", QuadMesh());
    DODLib::Container other;
    DODLib::MeshData* first = Check("a.im", &other);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->HasFlag(Zel::ParticleFlagHidden));
    DODLib::MeshData* second = Check("b.im");
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(first->HasFlag(Zel::ParticleFlagHidden));
    EXPECT_TRUE(second->HasFlag(Zel::ParticleFlagHidden));
    DODLib::MeshData* replacing = Check("a.im");
    ASSERT_NE(replacing, nullptr);
    EXPECT_EQ(manager().GetMeshFor(&box_), replacing);
    EXPECT_EQ(manager().GetMeshFor(&other), first);
    EXPECT_TRUE(replacing->HasFlag(Zel::ParticleFlagHidden));
}

}  // namespace
}  // namespace TemplateTests

namespace TemplateTests {
namespace {

TEST_F(MeshChecksTest, MeshesHangFromTheRootParticleUntilTheyAreReleased)
{
    Write("a.im", QuadMesh());
    Write("b.im", QuadMesh());
    Zel::Particle* root = manager().GetRootParticle();
    ASSERT_NE(root, nullptr);
    DODLib::Container other;
    DODLib::MeshData* first = Check("a.im", &other);
    DODLib::MeshData* second = Check("b.im");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->parent, root);
    EXPECT_EQ(second->parent, root);
    // A replaced mesh leaves the scene with its object.
    DODLib::MeshData* third = Check("a.im");
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(root->GetChildren().size(), 2u);
    manager().ReleaseLoadedMeshes();
    EXPECT_TRUE(root->GetChildren().empty());
}

TEST_F(MeshChecksTest, TheInstanceIsAChildOfItsMeshAndGoesWithIt)
{
    Write("a.im", QuadMesh());
    Write("tower.lm", LodMesh(2, 300));
    for (const char* name : {"a.im", "tower.lm"}) {
        DODLib::MeshData* mesh = Check(name);
        ASSERT_NE(mesh, nullptr) << name;
        KorvelIndexedMeshInstance* instance = mesh->GetInstance();
        ASSERT_NE(instance, nullptr) << name;
        EXPECT_EQ(instance->parent, mesh) << name;
        ASSERT_EQ(mesh->GetChildren().size(), 1u) << name;
        EXPECT_EQ(mesh->GetChildren()[0].get(), instance) << name;
        // Replaced and released: the instance is freed once, with its mesh.
        ASSERT_NE(Check(name), nullptr) << name;
    }
    manager().ReleaseLoadedMeshes();
}

TEST_F(MeshChecksTest, TheCamerasLightLightsEachRegisteredInstanceAndNoneWithoutACamera)
{
    Write("a.im", QuadMesh());
    Write("tower.lm", LodMesh(2, 300));
    DODLib::MeshData* unlit = Check("a.im");
    ASSERT_NE(unlit, nullptr);
    EXPECT_TRUE(unlit->GetInstance()->GetLights().empty());
    manager().ReleaseLoadedMeshes();

    meshContext_.previewCamera = new Zel::Camera("camera");
    ASSERT_TRUE(manager().InitialiseRenderContext(meshContext_));
    const Zel::ParallelLight* light = manager().GetLight();
    ASSERT_NE(light, nullptr);
    for (const char* name : {"a.im", "tower.lm"}) {
        DODLib::MeshData* mesh = Check(name);
        ASSERT_NE(mesh, nullptr) << name;
        KorvelIndexedMeshInstance* instance = mesh->GetInstance();
        EXPECT_EQ(instance->GetLights(), std::vector<const Zel::ParallelLight*>{light}) << name;
        EXPECT_TRUE(instance->IsLightingChanged()) << name;
        // Worked out now, and asked for again next time.
        const uint32_t before = instance->GetCalculationCount();
        mesh->UpdateLighting(meshKernel_.GetDisplay(), Zel::Viewport{}, Zel::Matrix4{}, false);
        EXPECT_EQ(instance->GetCalculationCount(), before + 1) << name;
        EXPECT_TRUE(instance->IsLightingChanged()) << name;
    }
    // The meshes go before the light they hold.
    manager().ReleaseLoadedMeshes();
}

// A validation releases after its checks and again with its container: only
// a release that follows a load trims the caches, and strings no one holds
// are freed once enough of them may have gathered, not after every asset.
TEST_F(MeshChecksTest, AReleaseAfterALoadFreesStringsOnceEnoughHaveGathered)
{
    Write("a.im", QuadMesh());
    auto leaveUnreferencedStrings = [](int count) {
        for (int i = 0; i < count; ++i)
            Zel::PString(("a name no one holds any more " + std::to_string(i)).c_str());
    };
    ASSERT_NE(Check("a.im"), nullptr);
    manager().ReleaseLoadedMeshes();
    struct Step {
        bool load;
        int newStrings;
        bool collected;
    } steps[] = {{true, 10, false}, {false, 30000, false}, {true, 0, true}};
    for (const Step& step : steps) {
        if (step.load) {
            ASSERT_NE(Check("a.im"), nullptr);
        }
        leaveUnreferencedStrings(step.newStrings);
        const size_t before = Zel::PStringCache::Count();
        manager().ReleaseLoadedMeshes();
        EXPECT_EQ(manager().GetMeshFor(&box_), nullptr);
        EXPECT_EQ(Zel::PStringCache::Count() < before, step.collected)
            << "load " << step.load << ", new strings " << step.newStrings;
    }
}

TEST_F(MeshChecksTest, ASecondRenderContextReleasesTheMeshesHangingUnderTheFirst)
{
    Write("a.im", QuadMesh());
    meshContext_.previewCamera = new Zel::Camera("camera");
    ASSERT_TRUE(manager().InitialiseRenderContext(meshContext_));
    ASSERT_NE(Check("a.im"), nullptr);
    // The old root and light go; a mesh still hanging there would be freed
    // twice and would keep a dead light.
    ASSERT_TRUE(manager().InitialiseRenderContext(meshContext_));
    EXPECT_EQ(manager().GetLight(), nullptr);
    DODLib::MeshData* again = Check("a.im");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->GetInstance()->GetLights().empty());
    manager().ReleaseLoadedMeshes();
}

}  // namespace
}  // namespace TemplateTests
