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
#include "zel/display.h"
#include "zel/log.h"
#include "zel/material_manager.h"
#include "zel/material_texture.h"
#include "zel/render_kernel.h"
#include "zel/rendering_cache.h"
#include "zel/rendering_cache_manager.h"

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

}  // namespace
}  // namespace TemplateTests
