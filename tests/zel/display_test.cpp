// The recording display: capabilities, the state block a draw must restore, the event log and refusing factories.
#include <gtest/gtest.h>

#include <functional>

#include "zel/display.h"
#include "zel/texture_combiner_manager.h"
#include "zel/vertex_program_manager.h"

namespace {

const char* const kSetText = "version 2.0\nprogram Test_Parallel\nprogram Test_Spot\nAPI(common)\n!!ARBvp1.0\nEND\n";
const char* const kCombinerText = "version 1.1\nconstant 0 LightDiff 0 0 0 1\nAPI(common)\nps.1.1\n";

TEST(DisplayTest, DefaultsAreWhatLoadingAndTheBumpMaterialsExpect)
{
    Zel::Display display;
    for (int capability : {1, 17, 21})
        EXPECT_TRUE(display.GetCapability(capability)) << capability;
    EXPECT_FALSE(display.GetCapability(29));  // skinned product chunks lack the blend streams
    EXPECT_EQ(display.GetNumTextureStages(), 8);
    EXPECT_TRUE(display.HasHardwareBuffers());
    EXPECT_EQ(display.GetDefaultVertexColour(), 0xFFFFFFFFu);
    EXPECT_TRUE(display.CheckExtensionString("GL_ARB_vertex_program"));
    EXPECT_FALSE(display.CheckExtensionString("GL_ARB_vertex"));
    EXPECT_FALSE(display.CheckExtensionString(nullptr));
    display.SetCapability(17, false);
    EXPECT_FALSE(display.GetCapability(17));
    display.SetNumTextureStages(0);
    EXPECT_EQ(display.GetNumTextureStages(), 1);
}

// Every setter must reach the compared block: a material that leaves any one
// of them changed after a draw has to be caught by the snapshot comparison.
TEST(DisplayTest, EveryStateChangeShowsInTheSnapshotAndUndoingItRestoresEquality)
{
    Zel::VertexProgramManager::RegisterBuiltInPrograms("TestSet", kSetText);
    Zel::TextureCombinerManager::RegisterBuiltInPrograms("TestComb", kCombinerText);
    Zel::Display display;
    Zel::VertexProgram* program = display.GetVertexProgramManager()->Lookup("Test_Spot", "TestSet", 99);
    Zel::TextureCombiner* combiner = display.GetTextureCombinerManager()->Lookup("TestComb");
    ASSERT_TRUE(program && combiner);
    int texture = 0;
    Zel::Matrix16 moved = Zel::kIdentityMatrix;
    moved[13] = 5.0f;
    const Zel::DisplayState before = display.GetState();
    struct Case {
        const char* what;
        std::function<void(Zel::Display&)> change;
    };
    const Case cases[] = {
        {"blend enable", [](Zel::Display& d) { d.SetBlendEnable(true); }},
        {"blend factors", [](Zel::Display& d) { d.SetBlendFunction(Zel::BlendSrcAlpha, Zel::BlendInvSrcAlpha); }},
        {"fog mode", [](Zel::Display& d) { d.SetFog(1, 0.0f); }},
        {"fog density", [](Zel::Display& d) { d.SetFog(0, 0.5f); }},
        {"alpha test", [](Zel::Display& d) { d.SetAlphaTest(true); }},
        {"depth write", [](Zel::Display& d) { d.SetDepthWrite(false); }},
        {"cull", [](Zel::Display& d) { d.SetCullMode(0); }},
        {"colour material", [](Zel::Display& d) { d.SetColourMaterial(2); }},
        {"lighting", [](Zel::Display& d) { d.SetLighting(false); }},
        {"ambient",
         [](Zel::Display& d) {
             d.SetGlobalAmbient({1, 1, 1, 1});
         }},
        {"stage 7 texture", [&](Zel::Display& d) { d.BindStage(7, &texture, 0); }},
        {"stage 3 state", [](Zel::Display& d) { d.BindStage(3, nullptr, 4); }},
        {"stage constant",
         [](Zel::Display& d) {
             d.SetStageConstant(1, {0, 0, 0, 1});
         }},
        {"tex-coord generation", [](Zel::Display& d) { d.SetTextureMatrix(3, 2, Zel::kIdentityMatrix); }},
        {"texture matrix", [&](Zel::Display& d) { d.SetTextureMatrix(1, 0, moved); }},
        {"model-view", [&](Zel::Display& d) { d.LoadModelView(moved); }},
        {"world", [&](Zel::Display& d) { d.SetWorldMatrix(moved); }},
        {"vertex program", [&](Zel::Display& d) { d.BindVertexProgram(program); }},
        {"combiner", [&](Zel::Display& d) { d.BindCombiner(combiner); }},
    };
    for (const Case& c : cases) {
        c.change(display);
        EXPECT_FALSE(display.GetState() == before) << c.what;
    }
    // Undo in one go, as a material's restore step would.
    display.SetBlendEnable(false);
    display.SetBlendFunction(Zel::BlendOne, Zel::BlendZero);
    display.SetFog(0, 0.0f);
    display.SetAlphaTest(false);
    display.SetDepthWrite(true);
    display.SetCullMode(1);
    display.SetColourMaterial(0);
    display.SetLighting(true);
    display.SetGlobalAmbient(before.globalAmbient);
    for (int stage = 0; stage < 8; ++stage) {
        display.BindStage(stage, nullptr, 0);
        display.SetStageConstant(stage, {0, 0, 0, 0});
        display.SetTextureMatrix(stage, 0, Zel::kIdentityMatrix);
    }
    display.LoadModelView(Zel::kIdentityMatrix);
    display.SetWorldMatrix(Zel::kIdentityMatrix);
    display.BindVertexProgram(nullptr);
    display.BindCombiner(nullptr);
    EXPECT_TRUE(display.GetState() == before);
    program->ReleaseReference();
    combiner->ReleaseReference();
}

// A combiner register written through the display is part of the snapshot
// while that combiner is bound; binding (or unbinding) starts afresh.
TEST(DisplayTest, CombinerRegisterWritesShowInTheSnapshotOfTheBoundCombiner)
{
    Zel::TextureCombinerManager::RegisterBuiltInPrograms("TestComb", kCombinerText);
    Zel::Display display;
    Zel::TextureCombiner* combiner = display.GetTextureCombinerManager()->Lookup("TestComb");
    ASSERT_NE(combiner, nullptr);
    display.BindCombiner(combiner);
    const Zel::DisplayState bound = display.GetState();
    ASSERT_TRUE(display.SetCombinerRegister(0, {0.25f, 0.5f, 0.75f, 1}));
    EXPECT_FALSE(display.GetState() == bound);
    display.BindCombiner(combiner);
    EXPECT_TRUE(display.GetState() == bound);
    display.BindCombiner(nullptr);
    EXPECT_TRUE(display.GetState() == Zel::DisplayState());
    combiner->ReleaseReference();
}

TEST(DisplayTest, EventsRecordPassesWithTheBoundProgramsAndRegisterWritesReachTheHandles)
{
    Zel::VertexProgramManager::RegisterBuiltInPrograms("TestSet", kSetText);
    Zel::TextureCombinerManager::RegisterBuiltInPrograms("TestComb", kCombinerText);
    Zel::Display display;
    display.SetNumTextureStages(2);
    int chunk = 0;
    // Nothing bound: the writes go nowhere and are not recorded.
    EXPECT_FALSE(display.SetVertexProgramLocal(5, {1, 2, 3, 4}));
    EXPECT_FALSE(display.SetCombinerRegister(0, {1, 1, 1, 1}));
    // A stage the display does not have is not touched.
    EXPECT_FALSE(display.BindStage(2, &chunk, 0));
    EXPECT_TRUE(display.GetEvents().empty());

    Zel::VertexProgram* program = display.GetVertexProgramManager()->Lookup("Test_Parallel", "TestSet", 99);
    Zel::TextureCombiner* combiner = display.GetTextureCombinerManager()->Lookup("TestComb");
    ASSERT_TRUE(program && combiner);
    display.BindVertexProgram(program);
    display.BindCombiner(combiner);
    EXPECT_TRUE(display.SetVertexProgramLocal(7, {0, -1, 0, 0}));
    EXPECT_TRUE(display.SetCombinerRegister(0, {0.5f, 0.5f, 0.5f, 1}));
    EXPECT_FALSE(display.SetCombinerRegister(3, {1, 1, 1, 1}));  // the text declares no register 3
    display.Draw(&chunk, 4, 36, 0);
    display.BindVertexProgram(nullptr);
    display.DrawPrimitives(&chunk, 4, 6, 2);

    using K = Zel::DisplayEventKind;
    const std::vector<Zel::DisplayEvent>& events = display.GetEvents();
    std::vector<K> kinds;
    for (const auto& event : events)
        kinds.push_back(event.kind);
    EXPECT_EQ(kinds,
              (std::vector<K>{K::BindVP, K::BindComb, K::VPLocal, K::CombReg, K::Draw, K::BindVP, K::DrawPrims}));
    EXPECT_EQ(events[4].program, "Test_Parallel");
    EXPECT_EQ(events[4].combiner, "TestComb");
    EXPECT_EQ(events[4].object, &chunk);
    EXPECT_EQ(events[4].b, 36);
    EXPECT_EQ(events[6].program, "");
    EXPECT_EQ(events[6].c, 2);
    ASSERT_NE(program->GetLocal(7), nullptr);
    EXPECT_EQ((*program->GetLocal(7))[1], -1.0f);
    EXPECT_EQ(program->GetLocal(5), nullptr);
    EXPECT_EQ((*combiner->GetConstant(0))[0], 0.5f);
    EXPECT_STREQ(Zel::DisplayEventName(K::DrawPrims), "DrawPrims");
    display.BindCombiner(nullptr);
    program->ReleaseReference();
    combiner->ReleaseReference();
}

TEST(DisplayTest, RefusedFactoriesGiveNoHandleAndTheOthersStillWork)
{
    using F = Zel::Display::Factory;
    for (F refused : {F::StageStates, F::VertexBuffers, F::IndexBuffers, F::VertexTypes}) {
        SCOPED_TRACE(static_cast<int>(refused));
        Zel::Display display;
        display.SetRefuse(refused, true);
        uint32_t state = display.CreateStageState({{1, 2}});
        uint32_t vertices = display.CreateStaticVertexBuffer(99, 100);
        uint32_t indices = display.CreateStaticIndexBuffer(300);
        uint32_t type = display.RegisterVertexType({1, 4, 15});
        EXPECT_EQ(state == 0, refused == F::StageStates);
        EXPECT_EQ(vertices == 0, refused == F::VertexBuffers);
        EXPECT_EQ(indices == 0, refused == F::IndexBuffers);
        EXPECT_EQ(type == 0, refused == F::VertexTypes);
        display.SetRefuse(refused, false);
        EXPECT_NE(display.CreateStageState({}), 0u);
    }
}

TEST(DisplayTest, AFactoryCanRefusePartWayThroughAList)
{
    Zel::Display display;
    display.SetRefuseAfter(Zel::Display::Factory::StageStates, 2);
    std::vector<uint32_t> made;
    for (int i = 0; i < 4; ++i)
        made.push_back(display.CreateStageState({{i, i}}));
    EXPECT_NE(made[0], 0u);
    EXPECT_NE(made[1], 0u);
    EXPECT_EQ(made[2], 0u);
    EXPECT_EQ(made[3], 0u);
    EXPECT_EQ(display.GetNumStageStates(), 2u);
    // Another factory's allowance is untouched.
    EXPECT_NE(display.CreateStaticIndexBuffer(3), 0u);
}

TEST(DisplayTest, HandlesAreDistinctAndReleasedOnce)
{
    Zel::Display display;
    uint32_t first = display.CreateStageState({{1, 2}, {3, 4}});
    uint32_t second = display.CreateStageState({{5, 6}});
    ASSERT_NE(first, second);
    ASSERT_NE(display.GetStageState(first), nullptr);
    EXPECT_EQ(display.GetStageState(first)->size(), 2u);
    EXPECT_EQ(display.GetNumStageStates(), 2u);
    EXPECT_TRUE(display.ReleaseStageState(first));
    EXPECT_FALSE(display.ReleaseStageState(first));  // a double release is seen, not ignored
    EXPECT_FALSE(display.ReleaseStageState(12345));
    EXPECT_EQ(display.GetNumStageStates(), 1u);

    uint32_t buffer = display.CreateStaticVertexBuffer(99, 10);
    EXPECT_TRUE(display.ReleaseStaticBuffer(buffer));
    EXPECT_FALSE(display.ReleaseStaticBuffer(buffer));
    display.SetHardwareBuffers(false);
    EXPECT_EQ(display.CreateStaticIndexBuffer(3), 0u);

    uint32_t type = display.RegisterVertexType({1, 4, 15, 27});
    EXPECT_EQ(display.RegisterVertexType({1, 4, 15, 27}), type);
    EXPECT_NE(display.RegisterVertexType({1, 4, 15}), type);
    display.SetRefuse(Zel::Display::Factory::VertexTypes, true);
    EXPECT_EQ(display.RegisterVertexType({1, 4, 15, 27}), type);  // known types stay known
    EXPECT_EQ(display.RegisterVertexType({}), 0u);
    EXPECT_EQ(display.GetNumVertexTypes(), 2u);
}

}  // namespace
