// Mesh instances: sharing the definition's chunks, unshared chunks copied, scale and bounds, the corner rule, face queries and ray tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "mesh/indexed_mesh_instance.h"
#include "mesh/mesh_load_fixture.h"

using KorvelTest::ImFile;
using KorvelTest::MeshLoad;

namespace {

// A unit quad in z = 0 and a second quad two units up, both triangle lists.
ImFile TwoQuads()
{
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    file.chunks.push_back(KorvelTest::QuadChunk("glass.m.notex"));
    for (auto& p : file.chunks[1].geometry.positions)
        p[2] = 2.0f;
    return file;
}

bool Hits(const KorvelIndexedMeshInstance& instance, MeshRay ray, float& distance, MeshFaceDescriptor& face)
{
    return instance.TestCollisionGeometry(ray, distance, face);
}

}  // namespace

TEST(IndexedMeshInstanceTest, InstancesShareTheDefinitionsChunksExceptThoseFlaggedUnshared)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(TwoQuads()), MeshOk);
    KorvelIndexedMeshInstance instance(nullptr);
    instance.SetDefinition(*load.definition);
    EXPECT_EQ(instance.GetID(), 17);
    EXPECT_EQ(instance.GetChunkCount(), 2u);
    EXPECT_TRUE(instance.GetChunks().SameBlock(load.definition->GetChunks()));
    EXPECT_TRUE(instance.GetMaterials().SameBlock(load.definition->GetMaterials()));
    EXPECT_EQ(instance.GetFaceCount(), 4u);
    EXPECT_EQ(instance.GetName(), "assets/shed/shed.im");

    load.definition->GetChunk(1)->SetFlags(load.definition->GetChunk(1)->GetFlags() | ChunkFlagUnshared);
    std::unique_ptr<KorvelIndexedMeshInstance> copy(instance.CreateInstance());
    EXPECT_EQ(copy->GetChunk(0), instance.GetChunk(0));
    EXPECT_NE(copy->GetChunk(1), instance.GetChunk(1));
    EXPECT_EQ(copy->GetChunk(1)->GetIndexCount(), 6u);
    EXPECT_EQ(copy->GetChunk(1)->GetIndices()[5], 3);
    EXPECT_EQ(copy->GetMaterial(1), instance.GetMaterial(1));
    // The definition keeps its own chunk.
    EXPECT_EQ(load.definition->GetChunk(1), instance.GetChunk(1));
}

TEST(IndexedMeshInstanceTest, AddAndMergeRefuseWhatTheyCannotTake)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(TwoQuads()), MeshOk);
    Zel::GeometryChunk* chunk = load.definition->GetChunk(0);
    Zel::Material* material = load.definition->GetMaterial(0);
    KorvelIndexedMeshInstance empty(nullptr);
    EXPECT_FALSE(empty.AddChunk(chunk, material));

    KorvelIndexedMeshInstance instance(nullptr);
    instance.SetDefinition(*load.definition);
    EXPECT_FALSE(instance.MergeChunk(chunk, instance.GetChunkCount()));
    ASSERT_TRUE(instance.AddChunk(chunk, material));
    EXPECT_EQ(instance.GetChunkCount(), 3u);
    EXPECT_EQ(instance.GetChunk(2), chunk);
    EXPECT_FALSE(instance.GetChunks().SameBlock(load.definition->GetChunks()));
    EXPECT_EQ(load.definition->GetChunks().Size(), 2u);
    chunk->AddInfluenceMatrix(0);
    EXPECT_FALSE(instance.AddChunk(chunk, material));
}

TEST(IndexedMeshInstanceTest, MergeAppendsTheGeometryToAPrivateCopyOfTheChunk)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(TwoQuads()), MeshOk);
    KorvelIndexedMeshInstance instance(nullptr);
    instance.SetDefinition(*load.definition);
    Zel::GeometryChunk* shared = instance.GetChunk(0);
    ASSERT_TRUE(instance.MergeChunk(load.definition->GetChunk(1), 0));
    Zel::GeometryChunk* merged = instance.GetChunk(0);
    EXPECT_NE(merged, shared);
    EXPECT_EQ(merged->GetVertexCount(), 8u);
    EXPECT_EQ(merged->GetFaceCount(), 4u);
    ASSERT_EQ(merged->GetIndexCount(), 12u);
    // The second quad's indices move past the first quad's four vertices.
    EXPECT_EQ(std::vector<uint16_t>(merged->GetIndices() + 6, merged->GetIndices() + 12),
              (std::vector<uint16_t>{4, 5, 6, 4, 6, 7}));
    float z = 0;
    memcpy(&z, merged->GetItem(Zel::ItemPosition).data + 5 * 12 + 8, 4);
    EXPECT_EQ(z, 2.0f);
    EXPECT_EQ(instance.GetFaceCount(), 6u);
    // Neither the definition nor its chunk changed.
    EXPECT_EQ(load.definition->GetChunk(0), shared);
    EXPECT_EQ(shared->GetVertexCount(), 4u);
}

TEST(IndexedMeshInstanceTest, MergeRefusesChunksThatCannotJoin)
{
    ImFile file = TwoQuads();
    file.chunks.push_back(KorvelTest::QuadChunk());
    file.chunks[2].geometry.flags = 8;  // a strip
    file.chunks[2].geometry.indices = {0, 1, 3, 2};
    file.chunks.push_back(KorvelTest::QuadChunk());
    file.chunks[3].geometry.version = 150;  // a second uv set: other vertex items
    file.chunks[3].geometry.uvSets.push_back(file.chunks[3].geometry.uvSets[0]);
    MeshLoad load;
    ASSERT_EQ(load.Load(file), MeshOk);
    struct Case {
        const char* what;
        uint32_t chunk, index;
    };
    const Case cases[] = {
        {"into a strip", 1, 2}, {"a strip", 2, 0}, {"other vertex items", 3, 0}, {"past the last chunk", 1, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KorvelIndexedMeshInstance instance(nullptr);
        instance.SetDefinition(*load.definition);
        EXPECT_FALSE(instance.MergeChunk(load.definition->GetChunk(static_cast<int>(c.chunk)), c.index));
        EXPECT_TRUE(instance.GetChunks().SameBlock(load.definition->GetChunks()));
    }
    // Indices are 16 bits: the joined chunk's vertices must all be indexable.
    uint32_t items = load.definition->GetChunk(0)->GetItems();
    for (uint32_t vertices : {65533u, 65532u}) {
        SCOPED_TRACE(vertices);
        auto* large = new Zel::GeometryChunk(vertices, 1, 3, 0, 4, items);
        KorvelIndexedMeshInstance instance(nullptr);
        instance.SetDefinition(*load.definition);
        EXPECT_EQ(instance.MergeChunk(large, 0), vertices + 4 <= 65536);
        large->ReleaseReference();
    }
}

TEST(IndexedMeshInstanceTest, ScaleStretchesTheBoundsAndAScaleOfOneRestoresThem)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(TwoQuads()), MeshOk);
    KorvelIndexedMeshInstance instance(nullptr);
    instance.SetDefinition(*load.definition);
    Zel::OrientedBox unscaled = instance.GetBoundingVolume();
    float twice[3] = {2, 2, 2};
    instance.SetScale(twice);
    EXPECT_TRUE(instance.IsScaled());
    EXPECT_FLOAT_EQ(instance.GetBoundingVolume().extents[0], 2 * unscaled.extents[0]);
    float one[3] = {1, 1, 1};
    instance.SetScale(one);
    EXPECT_FALSE(instance.IsScaled());
    EXPECT_EQ(instance.GetBoundingVolume().extents[0], unscaled.extents[0]);
}

TEST(IndexedMeshInstanceTest, RayTestsFindTheNearestFaceWithAndWithoutTheTree)
{
    MeshLoad load;
    ASSERT_EQ(load.Load(TwoQuads()), MeshOk);
    load.definition->GetMaterial(0)->SetFlags(1);  // both sides
    load.definition->GetMaterial(1)->SetFlags(1);
    KorvelIndexedMeshInstance shared(nullptr);
    shared.SetDefinition(*load.definition);
    // Unique chunks leave the definition's tree behind: faces are tested one by one.
    KorvelIndexedMeshInstance own(nullptr);
    own.SetDefinition(*load.definition);
    own.MakeChunkUnique(0);
    own.MakeChunkUnique(1);
    for (KorvelIndexedMeshInstance* instance : {&shared, &own}) {
        SCOPED_TRACE(instance == &shared ? "tree" : "faces");
        MeshRay down;
        down.point[0] = 0.75f, down.point[1] = 0.25f, down.point[2] = 5;
        down.direction[2] = -1;
        float distance = 100;
        MeshFaceDescriptor face;
        ASSERT_TRUE(Hits(*instance, down, distance, face));
        EXPECT_NEAR(distance, 3.0f, 1e-4);
        EXPECT_EQ(face.chunk, 1u);
        EXPECT_EQ(face.face, 0u);
        EXPECT_EQ(face.geometry, instance);
        // A nearest hit beyond the caller's distance is no hit and leaves it alone.
        distance = 2.5f;
        EXPECT_FALSE(Hits(*instance, down, distance, face));
        EXPECT_EQ(distance, 2.5f);
        // Scaled by 2: the ray at x = 1.5 meets the stretched quads, the upper one at z = 4.
        float twice[3] = {2, 2, 2};
        instance->SetScale(twice);
        down.point[0] = 1.5f;
        distance = 100;
        ASSERT_TRUE(Hits(*instance, down, distance, face));
        EXPECT_NEAR(distance, 1.0f, 1e-4);
        float flat[3] = {1, 0, 1};
        instance->SetScale(flat);
        distance = 100;
        EXPECT_FALSE(Hits(*instance, down, distance, face));
        float one[3] = {1, 1, 1};
        instance->SetScale(one);
    }
}

TEST(IndexedMeshInstanceTest, OneSidedFacesAnswerFromOneSideOnly)
{
    MeshLoad load;
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    ASSERT_EQ(load.Load(file), MeshOk);
    KorvelIndexedMeshInstance instance(nullptr);
    instance.SetDefinition(*load.definition);
    instance.MakeChunkUnique(0);
    MeshRay down, up;
    down.point[0] = up.point[0] = 0.5f;
    down.point[1] = up.point[1] = 0.25f;
    down.point[2] = 5, down.direction[2] = -1;
    up.point[2] = -5, up.direction[2] = 1;
    float a = 100, b = 100;
    MeshFaceDescriptor face;
    EXPECT_NE(Hits(instance, down, a, face), Hits(instance, up, b, face));
    load.definition->GetMaterial(0)->SetFlags(1);
    a = b = 100;
    EXPECT_TRUE(Hits(instance, down, a, face));
    EXPECT_TRUE(Hits(instance, up, b, face));
}

TEST(IndexedMeshInstanceTest, CornerRuleAndFaceQueries)
{
    MeshLoad load;
    ImFile file;
    KorvelTest::ImChunk strip = KorvelTest::QuadChunk();
    strip.geometry.flags = 8;  // strip: 0 1 3 2 makes two faces
    strip.geometry.indices = {0, 1, 3, 2};
    file.chunks.push_back(strip);
    KorvelTest::ImChunk list = KorvelTest::QuadChunk();
    list.geometry.faceNormals = {{0, 0, 2}, {0, 0, 3}};
    list.writeNeighbours = true;
    list.neighbours = {{static_cast<int32_t>(0x00010000u | 1u), -1, -1}, {-1, -1, -1}};
    file.chunks.push_back(list);
    ASSERT_EQ(load.Load(file), MeshOk);
    KorvelIndexedMeshInstance instance(nullptr);
    instance.SetDefinition(*load.definition);
    uint16_t corners[3];
    ASSERT_TRUE(instance.GetFaceIndices(0, 1, corners));
    EXPECT_EQ(corners[0], 1);
    EXPECT_EQ(corners[1], 2);  // corners 1 and 2 swapped on an odd strip face
    EXPECT_EQ(corners[2], 3);
    EXPECT_FALSE(instance.GetFaceIndices(0, 2, corners));
    EXPECT_FALSE(instance.GetFaceIndices(2, 0, corners));
    float centre[3], normal[3];
    ASSERT_TRUE(instance.GetFaceCentre({&instance, 0, 1}, centre));
    EXPECT_FLOAT_EQ(centre[0], 2.0f * 0.33333334f);
    ASSERT_TRUE(instance.GetFaceNormal({&instance, 1, 1}, normal));
    EXPECT_EQ(normal[2], 3.0f);  // stored face normal
    ASSERT_TRUE(instance.GetFaceNormal({&instance, 0, 0}, normal));
    EXPECT_FLOAT_EQ(std::fabs(normal[2]), 1.0f);
    MeshFaceDescriptor next;
    ASSERT_TRUE(instance.GetFaceNeighbour({&instance, 0, 1}, 0, next));
    EXPECT_EQ(next.chunk, 1u);
    EXPECT_EQ(next.face, 1u);
    EXPECT_FALSE(instance.GetFaceNeighbour({&instance, 0, 1}, 1, next));
    EXPECT_FALSE(instance.GetFaceNeighbour({&instance, 0, 0}, 0, next));
}
