// Benchmark: LOD Save against fwrite, CreateInstance cost against the shared chunks' size, and software UpdateSkin against a plain weighted-matrix loop.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "best_of.h"
#include "mesh/dynamic_indexed_mesh_instance.h"
#include "mesh/indexed_mesh_lod_definition.h"
#include "mesh/lm_writer.h"
#include "zel/display_capabilities.h"
#include "zel/file.h"
#include "zel/material_manager.h"

namespace {

// A grid of n x n vertices, one uv set and normals: 2 (n - 1)^2 triangles.
KorvelTest::ImGeometry Grid(int n, float offset)
{
    KorvelTest::ImGeometry g;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            g.positions.push_back({float(x), float(y), offset + std::sin(float(x + y) * 0.1f)});
            g.normals.push_back({0, 0, 1});
            g.uvSets[0].push_back({float(x) / n, float(y) / n});
        }
    }
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            uint16_t a = uint16_t(y * n + x), b = uint16_t(a + 1), c = uint16_t(a + n), d = uint16_t(c + 1);
            g.indices.insert(g.indices.end(), {a, b, d, a, d, c});
        }
    }
    return g;
}

// A strip of k vertices (k - 2 triangles in a list).
KorvelTest::ImChunk Strip(int k)
{
    KorvelTest::ImChunk chunk;
    for (int i = 0; i < k; ++i)
        chunk.geometry.positions.push_back({float(i / 2), float(i % 2), 0});
    chunk.geometry.uvSets[0].assign(size_t(k), {0, 0});
    for (int i = 0; i + 2 < k; ++i)
        chunk.geometry.indices.insert(chunk.geometry.indices.end(), {uint16_t(i), uint16_t(i + 1), uint16_t(i + 2)});
    return chunk;
}

struct Loaded {
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    MeshResource resource;

    // Loads file bytes into a definition as if read from name; false (said) when it fails.
    bool Load(KorvelIndexedMeshDefinition& definition, const std::string& bytes, const char* name)
    {
        resource.name = name;
        definition.GetFile().Open(std::vector<uint8_t>(bytes.begin(), bytes.end()), resource.name);
        if (definition.Load(&display, &materials, &resource, resource.name, 0xFFFFFFFFu) == MeshOk)
            return true;
        std::printf("%s did not load\n", name);
        return false;
    }
};

void Ratio(const char* what, double ours, double anchor, const char* goal)
{
    std::printf("%-44s ours %9.4f s  anchor %9.4f s  ratio %7.2f  (goal %s)\n", what, ours, anchor, ours / anchor,
                goal);
}

void SaveSection()
{
    KorvelTest::LmFile file;
    KorvelTest::LmLevel level;
    level.distance = 0;
    for (int c = 0; c < 18; ++c) {
        KorvelTest::LmChunk chunk;
        chunk.geometry = Grid(255, float(c));  // 65,025 vertices a chunk
        level.chunks.push_back(std::move(chunk));
    }
    file.levels.push_back(std::move(level));
    std::string source = KorvelTest::WriteLm(file);
    Loaded context;
    KorvelIndexedMeshLODDefinition definition;
    if (!context.Load(definition, source, "/tmp/korvel-lod-bench.lm"))
        return;
    std::string bytes;
    definition.Serialise(bytes);
    std::printf("LOD file: %.1f MB, 18 chunks x 65025 vertices, one uv set, normals\n", bytes.size() / 1e6);
    const char* ours = "/tmp/korvel-lod-bench-ours.lm";
    const char* peer = "/tmp/korvel-lod-bench-fwrite.lm";
    double save = bench::BestOf(
        [&] {
            Zel::File out;
            if (out.Open(ours, Zel::File::ModeWrite) != 0 || definition.Save(out) != MeshOk)
                std::printf("save failed\n");
        },
        7);
    double write = bench::BestOf(
        [&] {
            FILE* out = std::fopen(peer, "wb");
            if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
                std::printf("fwrite failed\n");
            if (out)
                std::fclose(out);
        },
        7);
    Ratio("LOD Save vs fwrite of the same bytes", save, write, "<= 2");
    std::remove(ours);
    std::remove(peer);
}

double CreateInstances(int verticesPerChunk)
{
    KorvelTest::ImFile file;
    for (int c = 0; c < 100; ++c)
        file.chunks.push_back(Strip(verticesPerChunk));
    std::string bytes = KorvelTest::WriteIm(file);
    Loaded context;
    KorvelIndexedMeshDefinition definition;
    context.Load(definition, bytes, "/tmp/korvel-instance-bench.im");
    KorvelIndexedMeshInstance original(nullptr);
    original.SetDefinition(definition);
    return bench::BestOf(
        [&] {
            for (int i = 0; i < 20000; ++i)
                delete original.CreateInstance();
        },
        5);
}

void InstanceSection()
{
    double small = CreateInstances(10), large = CreateInstances(1000);
    Ratio("CreateInstance x 20000, 100k vs 1k vertices", large, small, "~1: shared chunks are not copied");
}

void SkinSection()
{
    constexpr int kBones = 4;
    KorvelTest::ImFile file;
    KorvelTest::ImChunk chunk;
    chunk.geometry = Grid(255, 0);
    chunk.geometry.weightsPerVertex = kBones;
    file.chunks.push_back(chunk);
    uint32_t vertices = uint32_t(chunk.geometry.positions.size());
    file.maxInfluences = kBones;
    file.maxBones = kBones;
    file.writeInfluences = true;
    for (int b = 0; b < kBones; ++b) {
        KorvelTest::ImInfluence bone;
        bone.name = "bone" + std::to_string(b);
        bone.parent = b == 0 ? "" : "bone" + std::to_string(b - 1);
        bone.position[0] = 0.5f;
        std::vector<KorvelTest::ImWeight> weights;
        for (uint32_t v = 0; v < vertices; ++v)
            weights.push_back({v, 1.0f / kBones});
        bone.entries.push_back({0, weights});
        file.influences.push_back(bone);
    }
    std::string bytes = KorvelTest::WriteIm(file);
    Loaded context;
    KorvelIndexedMeshDefinition definition;
    if (!context.Load(definition, bytes, "/tmp/korvel-skin-bench.im"))
        return;
    KorvelDynamicIndexedMeshInstance instance(nullptr);
    instance.SetUp(nullptr, definition);
    uint32_t frame = 1;
    double ours = bench::BestOf(
        [&] {
            for (int i = 0; i < 20; ++i)
                instance.UpdateSkin(frame++);
        },
        5);
    // The anchor: the same weights and local points, matrices given, one
    // clear and one weighted sum per weight into a plain position array.
    std::vector<Zel::Matrix4> worlds(kBones);
    for (int b = 0; b < kBones; ++b) {
        float position[3] = {0.5f, 0, 0}, rest[4] = {0, 0, 0, 1};
        worlds[size_t(b)] =
            Zel::Matrix4::FromRotationTranslation(rest, position) * (b == 0 ? Zel::Matrix4() : worlds[size_t(b - 1)]);
    }
    std::vector<std::vector<InfluenceWeight>> weights;
    for (const InfluenceDefinition& bone : definition.GetInfluences())
        weights.push_back(bone.entries[0].weights);
    std::vector<float> positions(size_t(vertices) * 3);
    double anchor = bench::BestOf(
        [&] {
            for (int i = 0; i < 20; ++i) {
                std::fill(positions.begin(), positions.end(), 0.0f);
                for (size_t b = 0; b < weights.size(); ++b) {
                    for (const InfluenceWeight& w : weights[b]) {
                        float moved[3];
                        worlds[b].TransformPoint(w.extra, moved);
                        float* p = &positions[size_t(w.vertex) * 3];
                        p[0] += w.weight * moved[0];
                        p[1] += w.weight * moved[1];
                        p[2] += w.weight * moved[2];
                    }
                }
            }
        },
        5);
    Ratio("UpdateSkin x 20, 65k vertices x 4 bones", ours, anchor, "<= 2");
}

}  // namespace

// With an argument ("save", "instance" or "skin") only that section runs.
int main(int argc, char** argv)
{
    auto wanted = [&](const char* section) { return argc < 2 || std::strcmp(argv[1], section) == 0; };
    if (wanted("save"))
        SaveSection();
    if (wanted("instance"))
        InstanceSection();
    if (wanted("skin"))
        SkinSection();
    return 0;
}
