// The plug-in export and the material plug-ins' preparation: what the registry holds, the fallbacks of weaker displays, and missing programs or refused stage states.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "mesh/korvel_bump_plugins.h"
#include "mesh/korvel_multi_pfx_material.h"
#include "mesh/module_plugins.h"
#include "zel/display.h"
#include "zel/material_manager.h"
#include "zel/material_texture.h"
#include "zel/plugin.h"
#include "zel/render_kernel.h"
#include "zel/rendering_cache.h"
#include "zel/rendering_cache_manager.h"
#include "zel/texture_combiner_manager.h"
#include "zel/vertex_program_manager.h"

namespace {

void RegisterPluginsOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { RegisterModulePlugins(); });
}

std::vector<std::pair<std::string, std::string>> Family(const char* family)
{
    std::vector<std::pair<std::string, std::string>> found;
    for (Zel::PluginType* type : Zel::PluginBase::GetPluginTypes(Zel::UId(family))) {
        found.emplace_back(type->GetName(), type->GetClassId().ToString());
        type->ReleaseReference();
    }
    return found;
}

std::string Upper(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

TEST(MaterialPluginsTest, TheExportRegistersSevenMaterialPluginsAndFiveResourceTypesInOrder)
{
    RegisterPluginsOnce();
    const std::vector<std::pair<std::string, std::string>> materials = {
        {"tbumpgloss", "F7478888-C721-48AB-B3C0-19621E66554E"},
        {"tbumptex", "E34011F3-C721-48ba-B3C0-19621E408CBD"},
        {"tbumpenv", "0ECEE41C-76E7-47fd-ADBB-0E938E809C03"},
        {"tonetexnoalpha", "4BB6C98F-6FDF-4cb9-9CE2-7E40B2A78626"},
        {"tglossrust", "AFCA4E1B-811A-56EE-89E4-CAB13F9B6712"},
        {"tmpfx", "643AFE90-426A-46EE-C19F-FFA0A471ABD7"},
        {"nofogtex", "AB84944B-00A6-4a18-8BAF-4664E98075AA"},
    };
    auto registered = Family(Zel::kMaterialPluginFamily);
    ASSERT_EQ(registered.size(), materials.size());
    for (size_t i = 0; i < materials.size(); ++i) {
        EXPECT_EQ(registered[i].first, materials[i].first);
        EXPECT_EQ(Upper(registered[i].second), Upper(materials[i].second)) << materials[i].first;
    }
    // Resource types follow the engine's image types in their family.
    std::vector<std::string> resources;
    std::string lm, lmText;
    for (const auto& [name, id] : Family(Zel::kResourceTypeFamily)) {
        if (name.rfind("korvel.", 0) == 0 || name == "convert-tex.txt")
            resources.push_back(name);
        if (name == "korvel.lm")
            lm = id;
        if (name == "korvel.lm.txt")
            lmText = id;
    }
    EXPECT_EQ(resources,
              (std::vector<std::string>{"korvel.im", "korvel.pm", "korvel.lm.txt", "korvel.lm", "convert-tex.txt"}));
    EXPECT_EQ(lm, lmText);
    EXPECT_FALSE(lm.empty());
    // The registry keeps one entry per name: a second export adds nothing.
    RegisterModulePlugins();
    EXPECT_EQ(Family(Zel::kMaterialPluginFamily).size(), materials.size());
}

// A display that cannot draw a type gets the plug-in's fallback instead.
TEST(MaterialPluginsTest, WeakerDisplaysGetTheFallbackTypes)
{
    RegisterPluginsOnce();
    struct Case {
        const char* what;
        int capabilityOff;
        int stages;
        const char* type;
        const char* made;
    };
    const Case cases[] = {
        {"no 17", 17, 8, "tbumpgloss", "tglossrust"},    {"no 17", 17, 8, "tbumpenv", "tonetexnoalpha"},
        {"no 21", 21, 8, "tbumptex", "onetex"},          {"no 1", 1, 8, "tglossrust", "onetex"},
        {"one stage", 0, 1, "tmpfx", "onetex"},          {"no 17 nor 1", -1, 8, "tbumpgloss", "onetex"},
        {"all there", 0, 8, "tbumpgloss", "tbumpgloss"},
    };
    for (const Case& c : cases) {
        Zel::RenderKernel kernel(nullptr, 8.0f);
        Zel::Display& display = *kernel.GetDisplay();
        if (c.capabilityOff > 0)
            display.SetCapability(c.capabilityOff, false);
        if (c.capabilityOff < 0) {
            display.SetCapability(17, false);
            display.SetCapability(1, false);
        }
        display.SetNumTextureStages(c.stages);
        Zel::Material* material = nullptr;
        ASSERT_EQ(kernel.GetMaterialManager()->Request(std::string("x.m.") + c.type, material), 0)
            << c.what << " " << c.type;
        EXPECT_STREQ(material->GetTypeName(), c.made) << c.what << " " << c.type;
        material->ReleaseReference();
    }
}

// A program or combiner that cannot be found fails the bump material and
// leaves the plug-in holding no program; once found again it works.
TEST(MaterialPluginsTest, AMissingProgramOrCombinerFailsTheBumpMaterialUntilItIsFound)
{
    RegisterPluginsOnce();
    struct Case {
        const char* type;
        const char* program;
        const char* combiner;
    };
    const Case cases[] = {
        {"tbumptex", "KorvelBump_SpotLight", nullptr},
        {"tbumpenv", nullptr, "KorvelBumpEnvMat_SpotLight"},
        {"tbumpgloss", "KorvelBump_ParallelLight", nullptr},  // one of the second four
        {"tbumpgloss", nullptr, "KorvelBumpRustMat_ParallelLight"},
    };
    for (const Case& c : cases) {
        Zel::RenderKernel kernel(nullptr, 8.0f);
        Zel::Display& display = *kernel.GetDisplay();
        if (c.program)
            display.GetVertexProgramManager()->SetRefuse(c.program, true);
        if (c.combiner)
            display.GetTextureCombinerManager()->SetRefuse(c.combiner, true);
        Zel::Material* material = nullptr;
        EXPECT_EQ(kernel.GetMaterialManager()->Request(std::string("a.m.") + c.type, material),
                  Zel::MaterialManager::RequestFailed)
            << c.type;
        EXPECT_EQ(material, nullptr);
        Zel::PluginType* type = nullptr;
        ASSERT_EQ(Zel::PluginBase::LookupPluginType(Zel::UId(Zel::kMaterialPluginFamily), c.type, &type), 0);
        auto* plugin = dynamic_cast<Zel::KorvelBumpMaterialPluginBase*>(type);
        ASSERT_NE(plugin, nullptr);
        EXPECT_FALSE(plugin->GetPrograms().parallelProgram || plugin->GetPrograms().spotCombiner) << c.type;
        // The caches stay with the plug-in.
        EXPECT_NE(plugin->GetCaches().alphaBlend, nullptr) << c.type;
        if (c.program)
            display.GetVertexProgramManager()->SetRefuse(c.program, false);
        if (c.combiner)
            display.GetTextureCombinerManager()->SetRefuse(c.combiner, false);
        ASSERT_EQ(kernel.GetMaterialManager()->Request(std::string("b.m.") + c.type, material), 0) << c.type;
        EXPECT_TRUE(plugin->GetPrograms().Complete());
        material->ReleaseReference();
        type->ReleaseReference();
    }
}

TEST(MaterialPluginsTest, RefusedStageStatesFailGlossRustAndMultiPfxAndLeaveNoneBehind)
{
    RegisterPluginsOnce();
    struct Case {
        const char* type;
        int allowed;   // stage states the display makes before refusing
        bool made;     // a material still comes back
        size_t alive;  // stage states left on the display afterwards
    };
    const Case cases[] = {
        {"tglossrust", 2, false, 1},  // the base's default state stays; the two gloss states go
        {"tglossrust", 0, false, 0},    {"tmpfx", 1, false, 0},   {"tmpfx", 0, false, 0},
        {"tonetexnoalpha", 0, true, 0}, {"nofogtex", 0, true, 0},
    };
    for (const Case& c : cases) {
        Zel::RenderKernel kernel(nullptr, 8.0f);
        Zel::Display& display = *kernel.GetDisplay();
        display.SetRefuseAfter(Zel::Display::Factory::StageStates, c.allowed);
        Zel::Material* material = nullptr;
        int result = kernel.GetMaterialManager()->Request(std::string("s.m.") + c.type, material);
        EXPECT_EQ(result == 0, c.made) << c.type << " " << c.allowed;
        EXPECT_EQ(display.GetNumStageStates(), c.alive) << c.type << " " << c.allowed;
        if (material) {
            // Drawn without its stage state, it still gives the display back.
            EXPECT_EQ(material->GetStageState(), 0u) << c.type;
            Zel::GeometryChunk* chunk = material->CreateGeometryChunk(3, 1, 3, 0, Zel::GeometryList, {});
            Zel::Viewport viewport;
            const Zel::DisplayState before = display.GetState();
            material->RenderChunk(&display, &viewport, chunk, nullptr, Zel::kIdentityMatrix, -1);
            EXPECT_TRUE(display.GetState() == before) << c.type;
            chunk->ReleaseReference();
            material->ReleaseReference();
        }
        display.SetRefuse(Zel::Display::Factory::StageStates, false);
    }
}

// The bump materials' texture slots: a null or unknown texture keeps the
// old one (3); a found one replaces it and records the definition.
TEST(MaterialPluginsTest, TextureSlotsKeepTheOldTextureOnAFailedReplacement)
{
    RegisterPluginsOnce();
    Zel::RenderKernel kernel(nullptr, 8.0f);
    struct Source : Zel::TextureSource {
        bool Load(const std::string& path) override { return path == "known.texture"; }
    } source;
    kernel.GetMaterialManager()->GetTextureManager()->SetSource(&source);
    for (const char* type : {"tbumptex", "tbumpgloss", "tbumpenv", "tmpfx"}) {
        Zel::Material* material = nullptr;
        ASSERT_EQ(kernel.GetMaterialManager()->Request(std::string("t.m.") + type, material), 0) << type;
        int slot = std::string(type) == "tmpfx" ? 12 : 8;
        Zel::TextureManager* textures = kernel.GetMaterialManager()->GetTextureManager();
        ASSERT_EQ(material->SetTextureByName(slot, textures, "known.texture", 0.5f), 0) << type;
        Zel::Texture* held = material->GetTexture(slot);
        ASSERT_NE(held, nullptr);
        EXPECT_EQ(material->SetTextureRef(slot, nullptr, 1.0f), 3) << type;
        EXPECT_EQ(material->GetTexture(slot), held) << type;
        EXPECT_EQ(material->SetTextureByName(slot, textures, "unknown.texture", 1.0f), 3) << type;
        // The multi-PFX slot is emptied by an unknown name; the bump slots keep theirs.
        EXPECT_EQ(material->GetTexture(slot) == held, std::string(type) != "tmpfx") << type;
        EXPECT_EQ(material->IsLoaded() == 0, std::string(type) != "tmpfx") << type;
        Zel::Material* copy = material->Clone();
        ASSERT_NE(copy, nullptr) << type;
        EXPECT_TRUE(copy->IsEqual(*material)) << type;
        EXPECT_EQ(copy->DuplicateTexture(slot) == 0, std::string(type) != "tmpfx") << type;
        copy->ReleaseReference();
        material->ReleaseReference();
    }
}

// The multi-PFX material registers its vertex type with the first chunk
// only, and only a vertex-usage kind of 1 makes its data dynamic.
TEST(MaterialPluginsTest, MultiPfxChunksShareOneVertexType)
{
    RegisterPluginsOnce();
    Zel::RenderKernel kernel(nullptr, 8.0f);
    Zel::Material* material = nullptr;
    ASSERT_EQ(kernel.GetMaterialManager()->Request("v.m.tmpfx", material), 0);
    size_t before = kernel.GetDisplay()->GetNumVertexTypes();
    Zel::GeometryChunk* first = material->CreateGeometryChunk(3, 1, 3, 0, Zel::GeometryList, Zel::StandardChunkHint(2));
    Zel::GeometryChunk* second =
        material->CreateGeometryChunk(3, 1, 3, 0, Zel::GeometryList, Zel::StandardChunkHint(1));
    EXPECT_EQ(kernel.GetDisplay()->GetNumVertexTypes(), before + 1);
    EXPECT_EQ(first->GetVertexType(), 99u);
    EXPECT_EQ(second->GetVertexType(), 99u);
    EXPECT_FALSE(first->IsVertexDataDynamic());
    EXPECT_TRUE(second->IsVertexDataDynamic());
    EXPECT_TRUE(first->IsVertexDataShared());
    // Normals live in their own array.
    EXPECT_EQ(first->GetItem(Zel::ItemNormal).stride, 12u);
    EXPECT_EQ(first->GetItem(Zel::ItemPosition).stride, 24u);
    // Bind and Unbind act on pass 0 only.
    const Zel::DisplayState state = kernel.GetDisplay()->GetState();
    material->Bind(kernel.GetDisplay(), nullptr, 1);
    EXPECT_TRUE(kernel.GetDisplay()->GetState() == state);
    first->ReleaseReference();
    second->ReleaseReference();
    material->ReleaseReference();
}

// Caches are shared by id: the plug-ins find the one already registered.
TEST(MaterialPluginsTest, PluginsShareTheKernelsCaches)
{
    RegisterPluginsOnce();
    Zel::RenderKernel kernel(nullptr, 8.0f);
    auto* blend = new Zel::AlphaBlendCache();
    kernel.GetRenderingCacheManager()->AddCache(blend);
    Zel::Material* a = nullptr;
    Zel::Material* b = nullptr;
    ASSERT_EQ(kernel.GetMaterialManager()->Request("c.m.tbumptex", a), 0);
    ASSERT_EQ(kernel.GetMaterialManager()->Request("c.m.tmpfx", b), 0);
    EXPECT_EQ(a->GetCaches().alphaBlend, blend);
    EXPECT_EQ(b->GetCaches().alphaBlend, blend);
    EXPECT_EQ(a->GetCaches().materialChunk, b->GetCaches().materialChunk);
    EXPECT_NE(a->GetCaches().materialChunk, nullptr);
    a->ReleaseReference();
    b->ReleaseReference();
    blend->ReleaseReference();
}

}  // namespace
