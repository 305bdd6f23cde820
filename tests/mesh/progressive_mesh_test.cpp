// Progressive meshes: the "PMIN" block read and checked, and instances that refine and coarsen on private index arrays with 16-bit wrapping undone exactly.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "mesh/pm_writer.h"
#include "mesh/progressive_mesh_instance.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

using KorvelTest::ImFile;
using KorvelTest::PmBlock;

namespace {

struct PmLoad {
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    MeshResource resource;
    std::unique_ptr<KorvelProgressiveMeshDefinition> definition;

    PmLoad() { resource.name = "assets/rock/rock.pm"; }
    int Load(const ImFile& file)
    {
        std::string bytes = KorvelTest::WriteIm(file);
        definition = std::make_unique<KorvelProgressiveMeshDefinition>();
        definition->GetFile().Open(std::vector<uint8_t>(bytes.begin(), bytes.end()), resource.name);
        return definition->Load(&display, &materials, &resource, resource.name, 0xFFFFFFFFu);
    }
};

// Four triangles over six vertices; level 1 and level 2 each add one face.
// Level 2's edit moves entry 2 by 3: coarsening takes it from 2 below zero
// (65535), refining brings it back.
ImFile FourFaces(const PmBlock& block)
{
    ImFile file;
    KorvelTest::ImChunk chunk = KorvelTest::QuadChunk();
    chunk.geometry.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}};
    chunk.geometry.uvSets = {{}};
    chunk.geometry.indices = {0, 1, 2, 0, 2, 3, 1, 4, 5, 1, 5, 2};
    file.chunks.push_back(chunk);
    file.tail = KorvelTest::WritePm(block);
    return file;
}

PmBlock TwoRefinements()
{
    PmBlock block;
    block.levels = {{}, {{0, {{1, 1, 7, {9}}}}}, {{0, {{1, 1, 3, {2, 11}}}}}};
    return block;
}

}  // namespace

TEST(ProgressiveMeshTest, LevelsAreReadAndLinkedByRunningOffsets)
{
    PmLoad load;
    ASSERT_EQ(load.Load(FourFaces(TwoRefinements())), MeshOk);
    const KorvelProgressiveMeshDefinition& mesh = *load.definition;
    ASSERT_EQ(mesh.GetLevels().size(), 3u);
    EXPECT_EQ(mesh.GetLevels()[2].firstChunkEdit, 1u);
    EXPECT_EQ(mesh.GetChunkEdits()[1].firstEdit, 1u);
    EXPECT_EQ(mesh.GetIndexEdits()[1].firstPosition, 1u);
    EXPECT_EQ(mesh.GetIndexPositions(), (std::vector<int32_t>{9, 2, 11}));
    EXPECT_EQ(mesh.GetFullDetailFaceCount(), 4u);
}

TEST(ProgressiveMeshTest, CoarseningStopsAtTheBaseAndRefiningRestoresEveryIndexExactly)
{
    PmLoad load;
    ASSERT_EQ(load.Load(FourFaces(TwoRefinements())), MeshOk);
    KorvelProgressiveMeshInstance instance(nullptr);
    instance.SetProgressiveDefinition(*load.definition);
    EXPECT_EQ(instance.GetID(), 19);
    EXPECT_EQ(instance.GetCurrentLevel(), 2u);
    EXPECT_EQ(instance.GetTotalFaces(), 4u);
    std::vector<uint16_t> full(instance.GetChunk(0)->GetIndices(), instance.GetChunk(0)->GetIndices() + 12);

    instance.CoarsenToFaces(0);
    EXPECT_EQ(instance.GetCurrentLevel(), 0u);
    EXPECT_EQ(instance.GetTotalFaces(), 2u);
    EXPECT_EQ(instance.GetDrawCounts(0).faces, 2);
    EXPECT_EQ(instance.GetDrawCounts(0).indices, 6);
    EXPECT_EQ(instance.GetDrawCounts(0).vertices, 4);
    const uint16_t* indices = instance.GetChunk(0)->GetIndices();
    EXPECT_EQ(indices[2], 65535);  // 2 - 3, wrapped
    EXPECT_EQ(indices[11], 65535);
    EXPECT_EQ(indices[9], static_cast<uint16_t>(1 - 7));
    // The definition's chunk and its indices are untouched.
    EXPECT_NE(instance.GetChunk(0), load.definition->GetChunk(0));
    EXPECT_EQ(load.definition->GetChunk(0)->GetIndices()[2], 2);

    instance.RefineToFaces(100);
    EXPECT_EQ(instance.GetCurrentLevel(), 2u);
    EXPECT_EQ(instance.GetTotalFaces(), 4u);
    EXPECT_EQ(std::vector<uint16_t>(indices, indices + 12), full);
}

TEST(ProgressiveMeshTest, ALevelStaysWhenRemovingItWouldFallBelowTheWantedCount)
{
    PmLoad load;
    ASSERT_EQ(load.Load(FourFaces(TwoRefinements())), MeshOk);
    KorvelProgressiveMeshInstance instance(nullptr);
    instance.SetProgressiveDefinition(*load.definition);
    instance.CoarsenToFaces(3);
    EXPECT_EQ(instance.GetCurrentLevel(), 1u);
    EXPECT_EQ(instance.GetFaceCount(), 3u);
    instance.CoarsenToFaces(3);
    EXPECT_EQ(instance.GetCurrentLevel(), 1u);
    instance.RefineToFaces(3);
    EXPECT_EQ(instance.GetCurrentLevel(), 1u);
    instance.RefineToFaces(4);
    EXPECT_EQ(instance.GetCurrentLevel(), 2u);

    // A copy has index arrays of its own.
    std::unique_ptr<KorvelIndexedMeshInstance> copy(instance.CreateInstance());
    auto* progressive = dynamic_cast<KorvelProgressiveMeshInstance*>(copy.get());
    ASSERT_NE(progressive, nullptr);
    EXPECT_NE(progressive->GetChunk(0), instance.GetChunk(0));
    progressive->CoarsenToFaces(0);
    EXPECT_EQ(instance.GetChunk(0)->GetIndices()[2], 2);
    EXPECT_EQ(instance.GetTotalFaces(), 4u);
    EXPECT_FALSE(progressive->AddChunk(load.definition->GetChunk(0), load.definition->GetMaterial(0)));
}

TEST(ProgressiveMeshTest, WithoutTheBlockThereAreNoLevelsAndInstancesStayAtFullDetail)
{
    PmLoad load;
    ImFile file = FourFaces({});
    file.tail.clear();
    file.chunks.insert(file.chunks.begin(), KorvelTest::QuadChunk());
    file.chunks[0].geometry.indices.clear();  // dropped: no faces
    ASSERT_EQ(load.Load(file), MeshOk);
    EXPECT_EQ(load.definition->GetChunkCount(), 1);
    EXPECT_TRUE(load.definition->GetLevels().empty());
    KorvelProgressiveMeshInstance instance(nullptr);
    instance.SetProgressiveDefinition(*load.definition);
    instance.CoarsenToFaces(0);
    instance.RefineToFaces(1000);
    EXPECT_EQ(instance.GetTotalFaces(), 4u);
    EXPECT_EQ(instance.GetCurrentLevel(), 0u);
}

TEST(ProgressiveMeshTest, DamagedBlocksAreRefused)
{
    struct Case {
        const char* what;
        std::function<void(PmBlock&)> change;
    };
    const Case cases[] = {
        {"another version", [](PmBlock& b) { b.version = 100; }},
        {"a position past the chunk's indices", [](PmBlock& b) { b.levels[1][0].edits[0].positions = {12}; }},
        {"a negative position", [](PmBlock& b) { b.levels[1][0].edits[0].positions = {-1}; }},
        {"a chunk the mesh does not have", [](PmBlock& b) { b.levels[1][0].chunk = 1; }},
        {"more positions than the file holds", [](PmBlock& b) { b.positionCount = 0x20000000; }},
        {"a negative count", [](PmBlock& b) { b.positionCount = -4; }},
        {"offsets that do not use up the positions", [](PmBlock& b) { b.positionCount = 4; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PmBlock block = TwoRefinements();
        c.change(block);
        PmLoad load;
        ImFile file = FourFaces(block);
        if (block.positionCount == 4)
            file.tail.insert(file.tail.size(), 4, '\0');
        EXPECT_EQ(load.Load(file), MeshBadFormat);
        EXPECT_TRUE(load.definition->GetLevels().empty());
    }
    PmLoad load;
    ImFile file = FourFaces({});
    file.tail = "XXXX";
    EXPECT_EQ(load.Load(file), MeshBadFormat);
}

TEST(ProgressiveMeshTest, TheEnginesWantedFaceCountDrivesTheDetail)
{
    PmLoad load;
    ASSERT_EQ(load.Load(FourFaces(TwoRefinements())), MeshOk);
    KorvelProgressiveMeshInstance instance(nullptr);
    instance.Init(nullptr, *load.definition);
    EXPECT_EQ(instance.GetFullDetailFaces(), 4u);
    struct Step {
        uint32_t wanted, level, faces;
    };
    // Asking for more than full detail is asking for full detail.
    const Step steps[] = {{3, 1, 3}, {0, 0, 2}, {100, 2, 4}, {2, 0, 2}, {3, 1, 3}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.wanted);
        instance.SetWantedFaces(step.wanted);
        EXPECT_EQ(instance.GetCurrentLevel(), step.level);
        EXPECT_EQ(instance.GetFaceCount(), step.faces);
    }
    std::unique_ptr<KorvelIndexedMeshInstance> copy(instance.CreateInstance());
    auto* progressive = dynamic_cast<KorvelProgressiveMeshInstance*>(copy.get());
    ASSERT_NE(progressive, nullptr);
    EXPECT_EQ(progressive->GetCurrentLevel(), 1u);
    EXPECT_EQ(progressive->GetFullDetailFaces(), 4u);
}
