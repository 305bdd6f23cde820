// The data manager's render context and the start-up registration of the materials' vertex types: the log lines of absent types, the caches, the chunks, and release.
#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/base/app_context.h"
#include "mesh/korvel_alpha_blend_cache.h"
#include "mesh/module_plugins.h"
#include "template_test_support.h"
#include "templates/dod_data_manager.h"
#include "zel/camera.h"
#include "zel/display.h"
#include "zel/log.h"
#include "zel/material_manager.h"
#include "zel/material_texture.h"
#include "zel/parallel_light.h"
#include "zel/particle.h"
#include "zel/render_kernel.h"
#include "zel/rendering_cache.h"
#include "zel/rendering_cache_manager.h"
#include "zel/scene_graph.h"

namespace TemplateTests {
namespace {

using DODLib::DataManager;

// The log lines written while `run` runs.
template <typename Run>
std::vector<std::string> LoggedLines(Run run)
{
    FILE* capture = std::tmpfile();
    Zel::Log::SetOutput(capture);
    run();
    Zel::Log::SetOutput(nullptr);
    std::rewind(capture);
    std::vector<std::string> lines;
    char line[512];
    while (std::fgets(line, sizeof line, capture)) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        lines.push_back(text);
    }
    std::fclose(capture);
    return lines;
}

class RenderContextTest : public TemplateTest {
protected:
    void SetUp() override
    {
        TemplateTest::SetUp();
        static std::once_flag once;
        std::call_once(once, [] { RegisterModulePlugins(); });
        context_.renderKernel = &kernel_;
        ASSERT_TRUE(DataManager::Instance()->InitialiseRenderContext(context_));
    }
    void TearDown() override
    {
        DataManager::ReleaseBumpVertexTypes();
        TemplateTest::TearDown();
    }

    Zel::RenderKernel kernel_{nullptr, 8.0f};
    AppContext context_;
};

TEST_F(RenderContextTest, StartUpRegistersTheVertexTypesAndLogsOnlyTheAbsentMaterialTypes)
{
    EXPECT_EQ(DataManager::GetPublishedRenderKernel(), &kernel_);
    size_t typesBefore = kernel_.GetDisplay()->GetNumVertexTypes();
    std::vector<std::string> lines = LoggedLines([] { DataManager::RegisterKorvelBumpVertexType(); });
    const std::string prefix = "DataManager::RegisterKorvelBumpVertexType> Unable to load '";
    EXPECT_EQ(lines, (std::vector<std::string>{prefix + "m.tbumpcoltex'", prefix + "m.tbumpglosscol'",
                                               prefix + "m.tgroundonetex'", prefix + "m.tgroundonetexvs'"}));
    // The sorted alpha cache is the one the materials share.
    Zel::RenderingCacheManager* caches = kernel_.GetRenderingCacheManager();
    EXPECT_NE(dynamic_cast<Zel::KorvelAlphaBlendCache*>(caches->FindCache(Zel::AlphaBlendCache::AlphaBlendCacheID)),
              nullptr);
    EXPECT_NE(caches->FindCache(Zel::AlphaBlendCacheUnsorted::CacheID), nullptr);
    EXPECT_NE(caches->FindCache(Zel::UnsortedAlphaBlendCache::UnsortedAlphaBlendCacheID), nullptr);
    Zel::Material* bump = nullptr;
    ASSERT_EQ(kernel_.GetMaterialManager()->Request("KorvelDummyLoad.m.tbumptex", bump), 0);
    EXPECT_EQ(bump->GetCaches().alphaBlend, caches->FindCache(Zel::AlphaBlendCache::AlphaBlendCacheID));
    bump->ReleaseReference();
    // The four engine chunks registered their vertex type.
    EXPECT_GT(kernel_.GetDisplay()->GetNumVertexTypes(), typesBefore);
    size_t cachesAfter = caches->GetNumCaches();
    size_t stageStates = kernel_.GetDisplay()->GetNumStageStates();
    // A second registration does nothing.
    EXPECT_TRUE(LoggedLines([] { DataManager::RegisterKorvelBumpVertexType(); }).empty());
    EXPECT_EQ(caches->GetNumCaches(), cachesAfter);
    EXPECT_EQ(kernel_.GetDisplay()->GetNumStageStates(), stageStates);
    DataManager::ReleaseBumpVertexTypes();
    DataManager::ReleaseBumpVertexTypes();  // nothing when not registered
}

TEST_F(RenderContextTest, ARegistrationLeftToFirstUseRunsOnceWhenTheKernelIsFirstAskedFor)
{
    size_t cachesBefore = kernel_.GetRenderingCacheManager()->GetNumCaches();
    EXPECT_TRUE(LoggedLines([] { DataManager::RegisterKorvelBumpVertexTypeAtFirstUse(); }).empty());
    EXPECT_EQ(kernel_.GetRenderingCacheManager()->GetNumCaches(), cachesBefore);
    Zel::RenderKernel* first = nullptr;
    std::vector<std::string> lines = LoggedLines([&] { first = DataManager::GetPublishedRenderKernel(); });
    EXPECT_EQ(first, &kernel_);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "DataManager::RegisterKorvelBumpVertexType> Unable to load 'm.tbumpcoltex'");
    Zel::RenderingCacheManager* caches = kernel_.GetRenderingCacheManager();
    EXPECT_NE(dynamic_cast<Zel::KorvelAlphaBlendCache*>(caches->FindCache(Zel::AlphaBlendCache::AlphaBlendCacheID)),
              nullptr);
    size_t cachesAfter = caches->GetNumCaches();
    EXPECT_GT(cachesAfter, cachesBefore);
    EXPECT_TRUE(LoggedLines([] { DataManager::GetPublishedRenderKernel(); }).empty());
    EXPECT_EQ(caches->GetNumCaches(), cachesAfter);
}

TEST_F(RenderContextTest, ReleaseDropsARegistrationStillWaitingForItsFirstUse)
{
    size_t cachesBefore = kernel_.GetRenderingCacheManager()->GetNumCaches();
    DataManager::RegisterKorvelBumpVertexTypeAtFirstUse();
    DataManager::ReleaseBumpVertexTypes();
    EXPECT_TRUE(LoggedLines([this] { EXPECT_EQ(DataManager::GetPublishedRenderKernel(), &kernel_); }).empty());
    EXPECT_EQ(kernel_.GetRenderingCacheManager()->GetNumCaches(), cachesBefore);
}

TEST_F(RenderContextTest, ABasicMaterialThatCannotBeHadEndsTheRegistration)
{
    // A manager that refuses everything: the first nine are logged and
    // skipped, the tenth ("notex") ends it.
    kernel_.GetMaterialManager()->SetRefuseAll(true);
    std::vector<std::string> lines = LoggedLines([] { DataManager::RegisterKorvelBumpVertexType(); });
    kernel_.GetMaterialManager()->SetRefuseAll(false);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[3], "DataManager::RegisterKorvelBumpVertexType> Unable to load 'm.tbumpenv'");
    EXPECT_EQ(lines[9], "DataManager::RegisterKorvelBumpVertexType> Unable to load 'm.notex'");
}

TEST_F(RenderContextTest, AMissingSharedTextureEndsTheRegistrationBeforeTheChunks)
{
    kernel_.GetSharedTextureCollection()->SetRefuse(true);
    size_t typesBefore = kernel_.GetDisplay()->GetNumVertexTypes();
    std::vector<std::string> lines = LoggedLines([] { DataManager::RegisterKorvelBumpVertexType(); });
    kernel_.GetSharedTextureCollection()->SetRefuse(false);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "DataManager::RegisterKorvelBumpVertexType> SharedTextureCollection failed");
    EXPECT_EQ(kernel_.GetDisplay()->GetNumVertexTypes(), typesBefore);
}

TEST_F(RenderContextTest, TheRootParticleIsTheKernelsSceneUntilShutdownAndNoCameraMeansNoLight)
{
    DataManager* manager = DataManager::Instance();
    Zel::Particle* root = manager->GetRootParticle();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(kernel_.GetSceneGraph()->GetScenes(), std::vector<Zel::Particle*>{root});
    EXPECT_EQ(manager->GetLight(), nullptr);
    EXPECT_TRUE(root->GetChildren().empty());
    EXPECT_EQ(kernel_.GetDisplay()->GetState().fogMode, 0);
    // Binding again replaces the scene instead of adding a second one.
    ASSERT_TRUE(manager->InitialiseRenderContext(context_));
    EXPECT_EQ(kernel_.GetSceneGraph()->GetScenes(), std::vector<Zel::Particle*>{manager->GetRootParticle()});
    DataManager::Shutdown();
    EXPECT_TRUE(kernel_.GetSceneGraph()->GetScenes().empty());
}

TEST_F(RenderContextTest, AShutDownManagerLeavesNoKernelPublishedToRegisterWith)
{
    // The application deletes its kernel right after the manager: a
    // registration or a mesh load later must not find it.
    DataManager::Shutdown();
    EXPECT_EQ(DataManager::GetPublishedRenderKernel(), nullptr);
    DataManager::Initialise(dataFolder_.c_str());
    const size_t cachesBefore = kernel_.GetRenderingCacheManager()->GetNumCaches();
    DataManager::RegisterKorvelBumpVertexType();
    EXPECT_EQ(kernel_.GetRenderingCacheManager()->GetNumCaches(), cachesBefore);
}

TEST_F(RenderContextTest, ACameraGetsTheSceneAndAParallelLightUnderTheRoot)
{
    auto* camera = new Zel::Camera("camera");
    const Zel::Quaternion facing = Zel::Quaternion::FromAxisAngle({0, 1, 0}, 0.5f);
    camera->SetOrientation(facing);
    camera->SetPosition({4, 5, 6});
    context_.previewCamera = camera;
    DataManager* manager = DataManager::Instance();
    ASSERT_TRUE(manager->InitialiseRenderContext(context_));
    EXPECT_EQ(context_.previewCamera, nullptr) << "the manager owns the camera now";
    Zel::Particle* root = manager->GetRootParticle();
    EXPECT_EQ(camera->GetScene(), root);

    const Zel::ParallelLight* light = manager->GetLight();
    ASSERT_NE(light, nullptr);
    ASSERT_EQ(root->GetChildren().size(), 1u);
    EXPECT_EQ(root->GetChildren()[0].get(), light);
    EXPECT_EQ(light->GetPosition(), (Zel::Vector3{0, 0, 0}));
    EXPECT_TRUE(light->GetOrientation().SameRotation(facing, 1e-6f));
    EXPECT_FLOAT_EQ(light->range, 100000.0f);
    EXPECT_EQ(light->type, Zel::LightParallel);
    EXPECT_EQ(light->type, 3);
    EXPECT_EQ(light->flags, 2) << "flag bit 1 only";
    struct Colour {
        const char* name;
        Zel::Vector4 got, want;
    } colours[] = {{"colour", light->colour, {0, 0, 0, 1}},
                   {"ambient", light->ambient, {0.1f, 0.1f, 0.1f, 1}},
                   {"diffuse", light->diffuse, {0.7f, 0.7f, 0.7f, 1}},
                   {"specular", light->specular, {0.6f, 0.6f, 0.6f, 1}}};
    for (const Colour& c : colours)
        EXPECT_EQ(c.got, c.want) << c.name;
    EXPECT_EQ(kernel_.GetDisplay()->GetState().fogMode, 3);
    EXPECT_FLOAT_EQ(kernel_.GetDisplay()->GetState().fogDensity, 1e-18f);
    // Teardown deletes the camera and the light with the root (the
    // sanitiser sees any leak or double delete).
    DataManager::Shutdown();
    EXPECT_TRUE(kernel_.GetSceneGraph()->GetScenes().empty());
}

}  // namespace
}  // namespace TemplateTests
