// Indexed mesh files: well-formed content read back, and every damaged form ending in its result code.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "mesh/mesh_load_fixture.h"

using KorvelTest::ImFile;
using KorvelTest::MeshLoad;

namespace {

ImFile OneQuad()
{
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    return file;
}

}  // namespace

TEST(IndexedMeshLoadTest, QuadReadsBackWithPositionsUvsBoundsAndTotals)
{
    MeshLoad load;
    ImFile file = OneQuad();
    file.chunks[0].geometry.positions = {{-1, 0, 0}, {3, 0, 0}, {3, 2, 5}, {-1, 2, 0}};
    ASSERT_EQ(load.Load(file), MeshOk);
    const KorvelIndexedMeshDefinition& mesh = *load.definition;
    EXPECT_EQ(mesh.GetChunkCount(), 1);
    EXPECT_EQ(mesh.GetVertexTotal(), 4u);
    EXPECT_EQ(mesh.GetFaceTotal(), 2u);
    Zel::GeometryChunk* chunk = mesh.GetChunk(0);
    Zel::VertexStream positions = chunk->GetItem(Zel::ItemPosition);
    Zel::VertexStream uvs = chunk->GetItem(Zel::ItemTexCoord0);
    ASSERT_TRUE(positions && uvs);
    float p[3], uv[2];
    memcpy(p, positions.data + 2 * positions.stride, 12);
    memcpy(uv, uvs.data + 2 * uvs.stride, 8);
    EXPECT_EQ(p[2], 5.0f);
    EXPECT_EQ(uv[0], 1.0f);
    EXPECT_EQ(chunk->GetIndices()[5], 3);
    EXPECT_EQ(Zel::GeometryTypeFromChunkFlags(chunk->GetFlags()), Zel::GeometryList);
    EXPECT_EQ(mesh.GetBoundsMin()[0], -1.0f);
    EXPECT_EQ(mesh.GetBoundsMax()[2], 5.0f);
    // The memory file is released after a successful load.
    EXPECT_FALSE(load.definition->GetFile().HasData());
}

TEST(IndexedMeshLoadTest, DamagedFilesEndInTheirResultCodes)
{
    struct Case {
        const char* name;
        std::function<void(ImFile&)> damage;
        int result;
    } cases[] = {
        {"well formed", [](ImFile&) {}, MeshOk},
        {"file type", [](ImFile& f) { f.fileType = "LODM"; }, MeshBadFormat},
        {"jirf size too large", [](ImFile& f) { f.jirfSizeDelta = 4; }, MeshBadFormat},
        {"jirf size too small", [](ImFile& f) { f.jirfSizeDelta = -4; }, MeshBadFormat},
        {"info 99", [](ImFile& f) { f.infoVersion = 99; }, MeshBadVersion},
        {"info 105", [](ImFile& f) { f.infoVersion = 105; }, MeshBadVersion},
        {"info 100", [](ImFile& f) { f.infoVersion = 100; }, MeshOk},
        {"info 104", [](ImFile& f) { f.infoVersion = 104; }, MeshOk},
        {"chunk 101", [](ImFile& f) { f.chunks[0].version = 101; }, MeshBadVersion},
        {"material 101", [](ImFile& f) { f.chunks[0].material.version = 101; }, MeshBadVersion},
        {"material 104", [](ImFile& f) { f.chunks[0].material.version = 104; }, MeshBadVersion},
        {"geometry 100", [](ImFile& f) { f.chunks[0].geometry.version = 100; }, MeshBadVersion},
        {"geometry 202", [](ImFile& f) { f.chunks[0].geometry.version = 202; }, MeshBadVersion},
        {"geometry 101", [](ImFile& f) { f.chunks[0].geometry.version = 101; }, MeshOk},
        {"geometry 150", [](ImFile& f) { f.chunks[0].geometry.version = 150; }, MeshOk},
        {"geometry 200", [](ImFile& f) { f.chunks[0].geometry.version = 200; }, MeshOk},
        {"index equal to vertex count", [](ImFile& f) { f.chunks[0].geometry.indices[4] = 4; }, MeshBadFormat},
        {"primitive kind 3", [](ImFile& f) { f.chunks[0].geometry.flags = 3; }, MeshBadFormat},
        {"flags 0x20 read as points", [](ImFile& f) { f.chunks[0].geometry.flags = 0x20; }, MeshOk},
        {"trailing geometry bytes skipped", [](ImFile& f) { f.chunks[0].geometry.trailing = "12345678"; }, MeshOk},
        {"hostile vertex count", [](ImFile& f) { f.chunks[0].geometry.vertexCount = 0xFFFFFFFFu; }, MeshBadFormat},
        {"hostile index count", [](ImFile& f) { f.chunks[0].geometry.indexCount = 0x7FFFFFFFu; }, MeshBadFormat},
        {"hostile face normals", [](ImFile& f) { f.chunks[0].geometry.faceNormalCount = 0x40000000u; }, MeshBadFormat},
        {"hostile uv sets",
         [](ImFile& f) {
             f.chunks[0].geometry.version = 150;
             f.chunks[0].geometry.texCoordSets = 0xFFFFFFFFu;
         },
         MeshBadFormat},
        {"nine uv sets",
         [](ImFile& f) {
             f.chunks[0].geometry.version = 150;
             f.chunks[0].geometry.uvSets.assign(9, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
         },
         MeshOk},
        {"hostile chunk count", [](ImFile& f) { f.chunkCount = 0x7FFFFFFFu; }, MeshBadFormat},
        {"chunk count past the chunks", [](ImFile& f) { f.chunkCount = 2; }, MeshBadFormat},
        {"hostile property count", [](ImFile& f) { f.chunks[0].material.propertyCount = 0xFFFFFFFFu; }, MeshBadFormat},
        {"hostile texture count", [](ImFile& f) { f.chunks[0].material.textureCount = 0x20000000u; }, MeshBadFormat},
        {"neighbours 101",
         [](ImFile& f) {
             f.chunks[0].writeNeighbours = true;
             f.chunks[0].neighbourVersion = 101;
             f.chunks[0].neighbours = {{-1, 1, -1}, {0, -1, -1}};
         },
         MeshBadVersion},
        {"neighbours read",
         [](ImFile& f) {
             f.chunks[0].writeNeighbours = true;
             f.chunks[0].neighbours = {{-1, 1, -1}, {0, -1, -1}};
         },
         MeshOk},
        {"unknown material type", [](ImFile& f) { f.chunks[0].material.name = "wood.m.tbumpgloss"; },
         MeshMaterialNotFound},
        {"attachments read",
         [](ImFile& f) {
             f.writeAttachments = true;
             f.attachments.resize(2);
             f.attachments[0].name = "a.door";
         },
         MeshOk},
        {"attachments 101",
         [](ImFile& f) {
             f.writeAttachments = true;
             f.attachmentVersion = 101;
         },
         MeshBadFormat},
        {"influences 101",
         [](ImFile& f) {
             f.writeInfluences = true;
             f.influenceVersion = 101;
         },
         MeshBadFormat},
        {"1024 influences",
         [](ImFile& f) {
             f.writeInfluences = true;
             f.influences.resize(1024);
         },
         MeshBadFormat},
        {"1023 influences",
         [](ImFile& f) {
             f.writeInfluences = true;
             f.influences.resize(1023);
         },
         MeshOk},
        {"skeleton bone 101",
         [](ImFile& f) { f.skeleton = KorvelTest::SkeletonBytes(KorvelTest::BoneBytes("root", {}, 101)); },
         MeshBadFormat},
    };
    for (const Case& c : cases) {
        ImFile file = OneQuad();
        c.damage(file);
        MeshLoad load;
        EXPECT_EQ(load.Load(file), c.result) << c.name;
    }
}

TEST(IndexedMeshLoadTest, ShortFilesAndForeignBytesAreBadFormat)
{
    std::string good = KorvelTest::WriteIm(OneQuad());
    MeshLoad load;
    EXPECT_EQ(load.Load(std::string()), MeshNoData);
    for (size_t length = 1; length <= 11; ++length)
        EXPECT_EQ(load.Load(good.substr(0, length)), MeshBadFormat) << length;
    // Every cut of a whole file ends in a code, never a crash.
    for (size_t length = 12; length < good.size(); ++length) {
        int result = load.Load(good.substr(0, length));
        EXPECT_TRUE(result == MeshBadFormat || result == MeshBadVersion) << length << " " << result;
    }
    EXPECT_EQ(load.Load("JIRX" + good.substr(4)), MeshBadFormat);
}

TEST(IndexedMeshLoadTest, TagsOutOfOrderAreBadFormat)
{
    // The geometry before the material of its chunk.
    KorvelTest::ByteWriter w;
    ImFile file = OneQuad();
    std::string good = KorvelTest::WriteIm(file);
    size_t matl = good.find("MATL"), geom = good.find("GEOM"), end = good.size();
    std::string swapped = good.substr(0, matl) + good.substr(geom, end - geom) + good.substr(matl, geom - matl);
    MeshLoad load;
    EXPECT_EQ(load.Load(swapped), MeshBadFormat);
}

TEST(IndexedMeshLoadTest, NoManagerIsFiveAndARefusingManagerIsSeven)
{
    MeshLoad load;
    load.withManager = false;
    EXPECT_EQ(load.Load(OneQuad()), MeshNoMaterialManager);
    MeshLoad refusing;
    refusing.materials.SetRefuseAll(true);
    EXPECT_EQ(refusing.Load(OneQuad()), MeshMaterialFailed);
    EXPECT_EQ(refusing.resource.missingMaterialNames.size(), 1u);
}

TEST(IndexedMeshLoadTest, BoneChainDeeperThanTheCapIsRefused)
{
    auto chain = [](int depth) {
        std::string bone = KorvelTest::BoneBytes("b" + std::to_string(depth), {});
        for (int d = depth - 1; d >= 1; --d)
            bone = KorvelTest::BoneBytes("b" + std::to_string(d), {bone});
        return KorvelTest::SkeletonBytes(bone);
    };
    struct Case {
        int depth;
        int result;
    } cases[] = {{1, MeshOk}, {200, MeshOk}, {256, MeshOk}, {257, MeshBadFormat}, {600, MeshBadFormat}};
    for (const Case& c : cases) {
        ImFile file = OneQuad();
        file.skeleton = chain(c.depth);
        MeshLoad load;
        EXPECT_EQ(load.Load(file), c.result) << c.depth;
        if (c.result == MeshOk) {
            ASSERT_NE(load.definition->GetSkeleton(), nullptr);
            EXPECT_EQ(load.definition->GetSkeleton()->name, "b1");
        }
    }
}

TEST(IndexedMeshLoadTest, EmptyChunkIsDroppedWithItsBoneName)
{
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk("a.m.onetex"));
    file.chunks[0].geometry.boneName = "arm";
    KorvelTest::ImChunk empty;
    empty.material.name = "b.m.onetex";
    empty.geometry.boneName = "leg";
    file.chunks.push_back(empty);
    file.chunks.push_back(KorvelTest::QuadChunk("c.m.onetex"));
    file.chunks[2].geometry.boneName = "hand";
    MeshLoad load;
    ASSERT_EQ(load.Load(file), MeshOk);
    EXPECT_EQ(load.definition->GetChunkCount(), 2);
    EXPECT_EQ(load.definition->GetChunkBoneName(0), "arm");
    EXPECT_EQ(load.definition->GetChunkBoneName(1), "hand");
    EXPECT_EQ(load.definition->GetChunkBoneName(2), "");
    EXPECT_EQ(load.definition->GetStoredMaterialName(1), "c.m.onetex");
}

TEST(IndexedMeshLoadTest, HardwareSkinningInitialisesBlendStreamsWithinTheBoneLimit)
{
    struct Case {
        uint32_t maxBones;
        bool hardware;
    } cases[] = {{20, true}, {24, true}, {25, false}};
    for (const Case& c : cases) {
        ImFile file = OneQuad();
        file.maxInfluences = 2;
        file.maxBones = c.maxBones;
        file.chunks[0].geometry.weightsPerVertex = 2;
        MeshLoad load;
        load.display.SetCapability(29, true);
        MeshOptions options;
        options.floatPrecision = options.floatPrecisionPresent = 1;
        ASSERT_EQ(load.Load(file, options), MeshOk) << c.maxBones;
        EXPECT_EQ(load.definition->UsesHardwareSkinning(), c.hardware) << c.maxBones;
        EXPECT_EQ(load.definition->GetHardwareBoneLimit(), 24u);
        Zel::VertexStream weights = load.definition->GetChunk(0)->GetItem(6);
        Zel::VertexStream indices = load.definition->GetChunk(0)->GetItem(Zel::ItemBlendIndices);
        ASSERT_EQ(bool(weights), c.hardware);
        if (c.hardware) {
            float w[2];
            uint32_t index;
            memcpy(w, weights.data + 3 * weights.stride, 8);
            memcpy(&index, indices.data + 3 * indices.stride, 4);
            EXPECT_EQ(w[0], 1.0f);
            EXPECT_EQ(w[1], 0.0f);
            EXPECT_EQ(index, 0u);
        }
    }
}
