// The seven product materials drawn through the recording display: state restored after every draw, and the passes each light set-up calls for.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "mesh/module_plugins.h"
#include "zel/display.h"
#include "zel/material_manager.h"
#include "zel/material_texture.h"
#include "zel/render_kernel.h"

namespace {

void RegisterPluginsOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { RegisterModulePlugins(); });
}

enum class Lights { None, Parallel, ParallelAndSpot, SpotOnly };
enum class Call { Chunk, NumChunks, Primitives };

const char* LightsName(Lights lights)
{
    switch (lights) {
    case Lights::None:
        return "no light";
    case Lights::Parallel:
        return "parallel";
    case Lights::ParallelAndSpot:
        return "parallel+spot";
    case Lights::SpotOnly:
        return "spot only";
    }
    return "?";
}

const char* CallName(Call call)
{
    return call == Call::Chunk ? "RenderChunk" : (call == Call::NumChunks ? "RenderNumChunks" : "RenderPrimitives");
}

// What one material draws: the vertex program of each pass of one chunk
// ("" for the fixed-function draw), whether RenderNumChunks draws all
// parallel passes before the spot passes, and whether RenderPrimitives draws.
struct MaterialCase {
    const char* type;
    const char* parallelProgram;  // null: one fixed-function pass whatever the lights
    const char* spotProgram;
    bool parallelPassesFirst;
    bool drawsPrimitives;
    int spotSourceFactor;
};

const MaterialCase kMaterials[] = {
    {"tbumptex", "KorvelBump_ParallelLight", "KorvelBump_SpotLight", true, true, Zel::BlendSrcAlpha},
    {"tbumpgloss", "KorvelBumpGloss_ParallelLight", "KorvelBumpGloss_SpotLight", false, false, Zel::BlendOne},
    {"tbumpenv", "KorvelBumpEnv_ParallelLight", "KorvelBumpEnv_SpotLight", false, false, Zel::BlendSrcAlpha},
    {"tonetexnoalpha", nullptr, nullptr, false, true, 0},
    {"tglossrust", nullptr, nullptr, false, true, 0},
    {"tmpfx", nullptr, nullptr, false, true, 0},
    {"nofogtex", nullptr, nullptr, false, true, 0},
};

struct Scene {
    Zel::RenderKernel kernel{nullptr, 8.0f};
    Zel::Display& display = *kernel.GetDisplay();
    Zel::Viewport viewport;
    Zel::Light parallel;
    Zel::Light spot;
    Zel::Matrix16 modelView = Zel::kIdentityMatrix;

    Scene()
    {
        RegisterPluginsOnce();
        parallel.type = Zel::LightParallel;
        parallel.diffuse = {0.8f, 0.7f, 0.6f};
        parallel.specular = {1, 1, 1};
        parallel.ambient = {0.1f, 0.1f, 0.1f, 1};
        parallel.direction = {0, -1, 0};
        spot.type = Zel::LightSpot;
        spot.diffuse = {0.5f, 0.5f, 0.5f};
        spot.position = {0, 10, 0};
        spot.direction = {0, -1, 0};
        viewport.view[14] = -20.0f;
        viewport.cameraPosition = {0, 0, 20};
        modelView[14] = -20.0f;
        // Non-default state the draws must give back as they found it.
        display.SetFog(3, 0.25f);
        display.SetGlobalAmbient({0.3f, 0.3f, 0.3f, 1});
        display.LoadModelView(modelView);
    }

    Zel::LightList LightsFor(Lights lights) const
    {
        switch (lights) {
        case Lights::None:
            return {};
        case Lights::Parallel:
            return {&parallel};
        case Lights::ParallelAndSpot:
            return {&parallel, &spot};
        case Lights::SpotOnly:
            return {&spot};
        }
        return {};
    }

    // A material of the type with every texture it draws with.
    Zel::Material* Make(const std::string& type, const std::string& name)
    {
        Zel::Material* material = nullptr;
        EXPECT_EQ(kernel.GetMaterialManager()->Request(name + ".m." + type, material), 0) << type;
        if (!material)
            return nullptr;
        auto* texture = new Zel::Texture("base.texture");
        for (int slot : {0, 8, 9, 12})
            material->SetTextureRef(slot, texture, 1.0f);
        texture->ReleaseReference();
        return material;
    }

    static Zel::GeometryChunk* Quad(Zel::Material* material)
    {
        Zel::GeometryChunk* chunk = material->CreateGeometryChunk(4, 2, 6, 2, Zel::GeometryList, {});
        if (!chunk)
            return nullptr;
        const float positions[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        Zel::VertexStream stream = chunk->GetItem(Zel::ItemPosition);
        for (size_t v = 0; v < 4; ++v)
            std::memcpy(stream.data + v * stream.stride, positions[v], sizeof positions[v]);
        const uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
        std::memcpy(chunk->GetIndices(), indices, sizeof indices);
        return chunk;
    }
};

std::vector<std::string> ExpectedPrograms(const MaterialCase& m, Lights lights, Call call)
{
    bool hasSpot = lights == Lights::ParallelAndSpot || lights == Lights::SpotOnly;
    std::vector<std::string> perChunk;
    if (!m.parallelProgram) {
        perChunk = {""};
    } else {
        perChunk = {m.parallelProgram};
        if (hasSpot)
            perChunk.push_back(m.spotProgram);
    }
    if (call == Call::Primitives)
        return m.drawsPrimitives ? perChunk : std::vector<std::string>();
    if (call == Call::Chunk)
        return perChunk;
    std::vector<std::string> two;
    if (m.parallelPassesFirst && perChunk.size() == 2)
        return {perChunk[0], perChunk[0], perChunk[1], perChunk[1]};
    two = perChunk;
    two.insert(two.end(), perChunk.begin(), perChunk.end());
    return two;
}

TEST(MaterialDrawTest, EveryMaterialRestoresTheDisplayAndDrawsItsPassesUnderEveryLightSetUp)
{
    for (const MaterialCase& m : kMaterials) {
        for (Lights lights : {Lights::None, Lights::Parallel, Lights::ParallelAndSpot, Lights::SpotOnly}) {
            for (Call call : {Call::Chunk, Call::NumChunks, Call::Primitives}) {
                std::string what = std::string(m.type) + " / " + LightsName(lights) + " / " + CallName(call);
                Scene scene;
                Zel::Material* material = scene.Make(m.type, "case");
                ASSERT_NE(material, nullptr) << what;
                ASSERT_STREQ(material->GetTypeName(), m.type) << what;
                Zel::GeometryChunk* chunks[2] = {Scene::Quad(material), Scene::Quad(material)};
                ASSERT_TRUE(chunks[0] && chunks[1]) << what;
                Zel::LightList list = scene.LightsFor(lights);
                const Zel::LightList* lists[2] = {&list, &list};
                const Zel::Matrix16 matrices[2] = {scene.modelView, scene.modelView};
                const uint16_t range[3] = {0, 1, 2};

                const Zel::DisplayState before = scene.display.GetState();
                scene.display.ClearEvents();
                if (call == Call::Chunk)
                    material->RenderChunk(&scene.display, &scene.viewport, chunks[0], &list, scene.modelView, -1);
                else if (call == Call::NumChunks)
                    material->RenderNumChunks(&scene.display, &scene.viewport, chunks, lists, matrices, 2, -1);
                else
                    material->RenderPrimitives(&scene.display, &scene.viewport, chunks[0], &list, scene.modelView, 3,
                                               range, 1, 4, -1);
                EXPECT_TRUE(scene.display.GetState() == before) << what;

                std::vector<std::string> drawn;
                const Zel::DisplayEventKind drawKind =
                    call == Call::Primitives ? Zel::DisplayEventKind::DrawPrims : Zel::DisplayEventKind::Draw;
                bool additive = false, fogOff = false;
                for (const Zel::DisplayEvent& event : scene.display.GetEvents()) {
                    if (event.kind == drawKind)
                        drawn.push_back(event.program);
                    if (event.kind == Zel::DisplayEventKind::Blend && event.a == 1 && event.b == m.spotSourceFactor &&
                        event.c == Zel::BlendOne)
                        additive = true;
                    if (event.kind == Zel::DisplayEventKind::Fog && event.a == 0)
                        fogOff = true;
                }
                EXPECT_EQ(drawn, ExpectedPrograms(m, lights, call)) << what;
                bool spotPass = m.parallelProgram &&
                                (lights == Lights::ParallelAndSpot || lights == Lights::SpotOnly) &&
                                (call != Call::Primitives || m.drawsPrimitives);
                EXPECT_EQ(additive, spotPass) << what;
                if (spotPass) {
                    EXPECT_TRUE(fogOff) << what;
                }
                chunks[0]->ReleaseReference();
                chunks[1]->ReleaseReference();
                material->ReleaseReference();
            }
        }
    }
}

// The parallel pass carries the light and the material's colours into the
// program's registers; without a parallel light only the ambient remains.
TEST(MaterialDrawTest, BumpRegistersCarryTheStrongestParallelLightAndTheAmbient)
{
    Scene scene;
    Zel::Material* material = scene.Make("tbumptex", "registers");
    ASSERT_NE(material, nullptr);
    Zel::GeometryChunk* chunk = Scene::Quad(material);
    Zel::Light weaker = scene.parallel;
    weaker.diffuse = {0.1f, 0.1f, 0.1f};
    Zel::Light equal = scene.parallel;  // the same diffuse sum: the first one stays
    equal.specular = {0.5f, 0.5f, 0.5f};
    Zel::DisplayMaterial shiny = material->GetDisplayMaterial();
    shiny.specular[0] = shiny.specular[1] = shiny.specular[2] = 1.0f;
    material->SetDisplayMaterialProperties(shiny);
    struct Case {
        const char* what;
        Zel::LightList lights;
        Zel::Vector4 diffuse;
        Zel::Vector4 specular;
    };
    const Zel::DisplayMaterial& colours = material->GetDisplayMaterial();
    const Zel::Vector4 lit = {0.8f * colours.diffuse[0], 0.7f * colours.diffuse[1], 0.6f * colours.diffuse[2],
                              colours.diffuse[3]};
    const Case cases[] = {
        {"strongest of two", {&weaker, &scene.parallel}, lit, {1, 1, 1, 0.75f}},
        {"first of equals", {&scene.parallel, &equal}, lit, {1, 1, 1, 0.75f}},
        {"first of equals, other order", {&equal, &scene.parallel}, lit, {0.5f, 0.5f, 0.5f, 0.75f}},
        {"no parallel light", {&scene.spot}, {0, 0, 0, 1}, {0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        scene.display.ClearEvents();
        material->RenderChunk(&scene.display, &scene.viewport, chunk, &c.lights, scene.modelView, -1);
        std::vector<Zel::Vector4> registers[3];
        for (const Zel::DisplayEvent& event : scene.display.GetEvents()) {
            if (event.kind == Zel::DisplayEventKind::CombReg && event.index < 3)
                registers[event.index].push_back(event.values);
        }
        ASSERT_FALSE(registers[0].empty()) << c.what;
        EXPECT_EQ(registers[0].front(), c.diffuse) << c.what;
        EXPECT_EQ(registers[2].front(), c.specular) << c.what;
        // Ambient: global ambient plus the parallel lights' ambient, times the
        // material's ambient, clamped; alpha 1.
        ASSERT_FALSE(registers[1].empty()) << c.what;
        EXPECT_EQ(registers[1].front()[3], 1.0f) << c.what;
    }
    chunk->ReleaseReference();
    material->ReleaseReference();
}

// "RustAge" and the gloss amount decide whether "tbumpgloss" draws at all and
// what its lerp register holds.
TEST(MaterialDrawTest, BumpGlossLerpFollowsGlossAmountAndRustAge)
{
    struct Case {
        float gloss;
        float rustAge;
        int draws;
        float lerp;
    };
    const Case cases[] = {
        {1.0f, 0.25f, 1, 0.5f}, {1.0f, 0.0f, 1, 1.0f}, {1.0f, 0.5f, 0, 0}, {0.0f, 0.0f, 0, 0}, {1.0f, 0.75f, 0, 0}};
    for (const Case& c : cases) {
        Scene scene;
        Zel::Material* material = scene.Make("tbumpgloss", "lerp");
        ASSERT_NE(material, nullptr);
        auto* texture = new Zel::Texture("gloss.texture");
        material->SetTextureRef(9, texture, c.gloss);
        texture->ReleaseReference();
        Zel::GeometryChunk* chunk = Scene::Quad(material);
        float age = -1.0f;
        ASSERT_TRUE(chunk->GetProperty("RustAge", age));
        EXPECT_EQ(age, 0.0f);
        chunk->SetProperty("RustAge", c.rustAge);
        Zel::LightList lights = {&scene.parallel};
        const Zel::DisplayState before = scene.display.GetState();
        scene.display.ClearEvents();
        material->RenderChunk(&scene.display, &scene.viewport, chunk, &lights, scene.modelView, -1);
        EXPECT_TRUE(scene.display.GetState() == before);
        int draws = 0;
        for (const Zel::DisplayEvent& event : scene.display.GetEvents())
            draws += event.kind == Zel::DisplayEventKind::Draw;
        EXPECT_EQ(draws, c.draws) << c.gloss << " " << c.rustAge;
        // The material's own ambient comes back after the draw.
        EXPECT_EQ(material->GetDisplayMaterial().ambient[0], Zel::DisplayMaterial().ambient[0]);
        chunk->ReleaseReference();
        material->ReleaseReference();
    }
}

// Without a viewport nothing is drawn and nothing changes.
TEST(MaterialDrawTest, BumpMaterialsDrawNothingWithoutAViewport)
{
    for (const char* type : {"tbumptex", "tbumpgloss", "tbumpenv"}) {
        Scene scene;
        Zel::Material* material = scene.Make(type, "noviewport");
        ASSERT_NE(material, nullptr);
        Zel::GeometryChunk* chunk = Scene::Quad(material);
        Zel::LightList lights = {&scene.parallel};
        scene.display.ClearEvents();
        material->RenderChunk(&scene.display, nullptr, chunk, &lights, scene.modelView, -1);
        EXPECT_TRUE(scene.display.GetEvents().empty()) << type;
        chunk->ReleaseReference();
        material->ReleaseReference();
    }
}

}  // namespace

namespace {

// The last stage-0 constant colour a draw wrote.
Zel::Vector4 LastStageConstant(const Zel::Display& display)
{
    Zel::Vector4 last = {-1, -1, -1, -1};
    for (const Zel::DisplayEvent& event : display.GetEvents()) {
        if (event.kind == Zel::DisplayEventKind::StageConst && event.index == 0)
            last = event.values;
    }
    return last;
}

// "tglossrust": the reflection fades with the rust age, then the rust tint
// takes over with an alpha that grows from 0.5 on.
TEST(MaterialDrawTest, GlossRustTurnsFromReflectionToRustAsTheRustAgeGrows)
{
    struct Case {
        float rustAge;
        Zel::Vector4 stage;  // stage-0 constant of the draw
    };
    // Reflectivity 0.8: the gloss colour is 0.8 x (1 - 2 x age) while above 1/255.
    const Case cases[] = {
        {0.0f, {0.8f, 0.8f, 0.8f, 0.8f}},
        {0.25f, {0.4f, 0.4f, 0.4f, 0.4f}},
        {0.5f, {0, 0, 0, 0}},  // rust tint without alpha; rgb checked below
        {0.75f, {0, 0, 0, 0.5f}},
        {1.0f, {0, 0, 0, 1.0f}},
    };
    for (const Case& c : cases) {
        Scene scene;
        Zel::Material* material = scene.Make("tglossrust", "rust");
        ASSERT_NE(material, nullptr);
        auto* reflection = new Zel::Texture("reflection.texture");
        material->SetTextureRef(9, reflection, 0.8f);
        reflection->ReleaseReference();
        Zel::GeometryChunk* chunk = Scene::Quad(material);
        chunk->SetProperty("RustAge", c.rustAge);
        Zel::LightList lights = {&scene.parallel};
        const Zel::DisplayState before = scene.display.GetState();
        scene.display.ClearEvents();
        material->RenderChunk(&scene.display, &scene.viewport, chunk, &lights, scene.modelView, -1);
        EXPECT_TRUE(scene.display.GetState() == before) << c.rustAge;
        Zel::Vector4 stage = LastStageConstant(scene.display);
        if (c.rustAge < 0.5f) {
            for (size_t k = 0; k < 4; ++k) {
                EXPECT_NEAR(stage[k], c.stage[k], 1e-6) << c.rustAge;
            }
        } else {
            EXPECT_NEAR(stage[3], c.stage[3], 1e-6) << c.rustAge;
            // clamp(global ambient 0.3 + light ambient 0.1) x the material's ambient 0.2
            EXPECT_NEAR(stage[0], 0.4f * 0.2f, 1e-6) << c.rustAge;
        }
        // The colours the draw changed are the material's again.
        EXPECT_EQ(material->GetDisplayMaterial().ambient[0], Zel::DisplayMaterial().ambient[0]);
        chunk->ReleaseReference();
        material->ReleaseReference();
    }
}

// "nofogtex" blends with its own factors unless flag bit 1 says to leave
// blending alone; either way the display is given back as it was.
TEST(MaterialDrawTest, NoFogBlendsUnlessToldToLeaveBlendingAlone)
{
    for (uint32_t flags : {0u, 1u, 2u, 3u}) {
        Scene scene;
        Zel::Material* material = scene.Make("nofogtex", "nofog");
        ASSERT_NE(material, nullptr);
        material->SetFlags(flags);
        Zel::GeometryChunk* chunk = Scene::Quad(material);
        const Zel::DisplayState before = scene.display.GetState();
        scene.display.ClearEvents();
        material->RenderChunk(&scene.display, &scene.viewport, chunk, nullptr, scene.modelView, -1);
        EXPECT_TRUE(scene.display.GetState() == before) << flags;
        bool blended = false, culledNone = false;
        for (const Zel::DisplayEvent& event : scene.display.GetEvents()) {
            blended = blended || (event.kind == Zel::DisplayEventKind::Blend && event.a == 1);
        }
        // Cull mode is not an event; check it inside the draw through Bind.
        material->Bind(&scene.display, &scene.viewport, 0);
        culledNone = scene.display.GetState().cullMode == 0;
        EXPECT_EQ(scene.display.GetState().fogMode, 0) << flags;
        material->Unbind(&scene.display, &scene.viewport, 0);
        EXPECT_EQ(blended, (flags & 2u) == 0) << flags;
        EXPECT_EQ(culledNone, (flags & 1u) != 0) << flags;
        EXPECT_EQ(scene.display.GetState().fogMode, 3) << flags;
        chunk->ReleaseReference();
        material->ReleaseReference();
    }
}

}  // namespace
