// Benchmark: mesh loading, the axis box tree and KD welding, each against a plain peer measured in the same run.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "best_of.h"
#include "mesh/im_writer.h"
#include "mesh/indexed_mesh_definition.h"
#include "mesh/kv_axis_box_tree.h"
#include "mesh/kv_map_kd_tree.h"
#include "mesh/triangle_tests.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

namespace {

// A grid of side n x n vertices in one chunk: 2 (n - 1)^2 triangles.
KorvelTest::ImChunk GridChunk(int n, float offset)
{
    KorvelTest::ImChunk chunk;
    chunk.material.name = "body.m.onetex";
    KorvelTest::ImGeometry& g = chunk.geometry;
    g.version = 150;  // the versions with several uv sets
    g.uvSets.assign(2, {});
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            g.positions.push_back({float(x), float(y), offset + std::sin(float(x + y) * 0.1f)});
            g.normals.push_back({0, 0, 1});
            g.uvSets[0].push_back({float(x) / n, float(y) / n});
            g.uvSets[1].push_back({float(y) / n, float(x) / n});
        }
    }
    for (int y = 0; y + 1 < n; ++y) {
        for (int x = 0; x + 1 < n; ++x) {
            uint16_t a = uint16_t(y * n + x), b = uint16_t(a + 1), c = uint16_t(a + n), d = uint16_t(c + 1);
            g.indices.insert(g.indices.end(), {a, b, d, a, d, c});
        }
    }
    return chunk;
}

std::string WriteMeshFile(int chunks, const std::string& path)
{
    KorvelTest::ImFile file;
    for (int c = 0; c < chunks; ++c)
        file.chunks.push_back(GridChunk(255, float(c)));  // 65,025 vertices a chunk
    std::string bytes = KorvelTest::WriteIm(file);
    std::ofstream(path, std::ios::binary) << bytes;
    return bytes;
}

double LoadIm(const std::string& path)
{
    return bench::BestOf(
        [&] {
            Zel::DisplayCapabilities display;
            Zel::MaterialManager materials;
            MeshResource resource;
            resource.name = path;
            KorvelIndexedMeshDefinition definition;
            definition.OpenMeshFile(path);
            if (definition.Load(&display, &materials, &resource, path, 0xFFFFFFFFu) != MeshOk)
                std::printf("load failed\n");
        },
        3);
}

// The anchor: read the file whole, then one memcpy per array of every chunk
// into freshly allocated arrays, as any loader must fill its own.
double ReadAndCopy(const std::string& path, int chunks, size_t vertices, size_t indices)
{
    return bench::BestOf(
        [&] {
            FILE* in = std::fopen(path.c_str(), "rb");
            std::fseek(in, 0, SEEK_END);
            size_t size = size_t(std::ftell(in));
            std::fseek(in, 0, SEEK_SET);
            std::unique_ptr<char[]> data(new char[size]);
            if (std::fread(data.get(), 1, size, in) != size)
                std::printf("short read\n");
            std::fclose(in);
            size_t recordBytes = vertices * (12 + 16);
            size_t at = 100;
            std::vector<std::unique_ptr<char[]>> arrays;
            for (int c = 0; c < chunks; ++c) {
                for (size_t bytes : {recordBytes, indices * 2, vertices * 12, vertices * 4}) {
                    arrays.emplace_back(new char[bytes]);
                    memcpy(arrays.back().get(), data.get() + at, bytes);
                    at += bytes;
                }
                at += 200;
            }
        },
        3);
}

struct Soup : KVAxisBoxTreeExternalGeometry {
    std::vector<float> positions;  // 9 floats a triangle
    void GetTriangle(int32_t id, float corners[3][3]) const override
    {
        size_t t = size_t(id >> 16) * 21845 + size_t(id & 0xFFFF) / 3;
        memcpy(corners, &positions[t * 9], 36);
    }
    static int32_t Id(size_t t) { return KVAxisBoxTree::MakeId(int(t / 21845), uint32_t(t % 21845) * 3); }
};

// A bumpy surface of about n triangles; neighbours share corners, so welding has work.
Soup Surface(size_t n)
{
    Soup soup;
    int side = int(std::sqrt(double(n) / 2)) + 1;
    for (int y = 0; y < side && soup.positions.size() / 9 < n; ++y) {
        for (int x = 0; x < side && soup.positions.size() / 9 < n; ++x) {
            auto h = [](int i, int j) { return std::sin(i * 0.05f) * std::cos(j * 0.07f) * 10; };
            float a[3] = {float(x), float(y), h(x, y)}, b[3] = {float(x + 1), float(y), h(x + 1, y)},
                  c[3] = {float(x), float(y + 1), h(x, y + 1)}, d[3] = {float(x + 1), float(y + 1), h(x + 1, y + 1)};
            for (const float* p : {a, b, d, a, d, c})
                soup.positions.insert(soup.positions.end(), p, p + 3);
        }
    }
    soup.positions.resize(std::min(soup.positions.size(), n * 9));
    return soup;
}

double BuildTree(const Soup& soup, KVAxisBoxTree& tree)
{
    return bench::BestOf(
        [&] {
            tree.BeginBuild(&soup);
            for (size_t t = 0; t * 9 < soup.positions.size(); ++t)
                tree.AddTriangle(&soup.positions[t * 9], &soup.positions[t * 9 + 3], &soup.positions[t * 9 + 6],
                                 Soup::Id(t));
            tree.Build();
        },
        2);
}

double SortByCentroid(const Soup& soup)
{
    return bench::BestOf(
        [&] {
            size_t n = soup.positions.size() / 9;
            std::vector<std::pair<float, uint32_t>> keys(n);
            for (size_t t = 0; t < n; ++t)
                keys[t] = {(soup.positions[t * 9] + soup.positions[t * 9 + 3] + soup.positions[t * 9 + 6]) / 3,
                           uint32_t(t)};
            std::sort(keys.begin(), keys.end());
        },
        2);
}

void Ratio(const char* what, double ours, double anchor, const char* goal)
{
    std::printf("%-44s ours %9.4f s  anchor %9.4f s  ratio %7.2f  (goal %s)\n", what, ours, anchor, ours / anchor,
                goal);
}

}  // namespace

// With an argument ("load", "tree" or "weld") only that section runs.
int main(int argc, char** argv)
{
    auto wanted = [&](const char* section) { return argc < 2 || std::strcmp(argv[1], section) == 0; };
    if (wanted("load")) {
        std::string path = "/tmp/korvel-mesh-bench.im";
        std::string half = "/tmp/korvel-mesh-bench-half.im";
        std::string bytes = WriteMeshFile(16, path);
        std::string quarter = "/tmp/korvel-mesh-bench-quarter.im";
        WriteMeshFile(8, half);
        WriteMeshFile(4, quarter);
        size_t vertices = 255 * 255, indices = 254 * 254 * 6;
        std::printf("mesh file: %.1f MB, 16 chunks x %zu vertices, 2 uv sets, normals, colours\n", bytes.size() / 1e6,
                    vertices);
        double load = LoadIm(path), anchor = ReadAndCopy(path, 16, vertices, indices);
        Ratio(".im load vs read + memcpy per array", load, anchor, "<= 3.3");
        // 4 and 8 chunks: both below the allocator's mmap threshold, so the ratio is the loader's own.
        std::printf("%-44s %.2f (linear: 2.00)\n", ".im load, 8 vs 4 chunks", LoadIm(half) / LoadIm(quarter));
        std::remove(path.c_str());
        std::remove(half.c_str());
        std::remove(quarter.c_str());
    }

    for (size_t n : {size_t(100000), size_t(1000000)}) {
        if (!wanted("tree"))
            break;
        Soup soup = Surface(n);
        KVAxisBoxTree tree;
        double build = BuildTree(soup, tree);
        char label[80];
        std::snprintf(label, sizeof label, "tree build %zu triangles vs std::sort", n);
        Ratio(label, build, SortByCentroid(soup), "<= 5");
        if (n == 1000000) {
            Soup halfSoup = Surface(n / 2);
            KVAxisBoxTree halfTree;
            std::printf("%-44s %.2f (n log n: ~2.1)\n", "tree build, 1M vs 500k",
                        build / BuildTree(halfSoup, halfTree));
            std::mt19937 random(5);
            std::uniform_real_distribution<float> where(0, 700);
            std::vector<std::array<float, 6>> segments(2000);
            for (auto& s : segments)
                s = {where(random), where(random), 30, where(random), where(random), -30};
            double queries = bench::BestOf(
                                 [&] {
                                     KVAxisBoxTreeHit hit;
                                     for (const auto& s : segments)
                                         tree.IntersectSegment(hit, &s[3], &s[0]);
                                 },
                                 3) /
                             double(segments.size());
            double brute =
                bench::BestOf(
                    [&] {
                        for (int q = 0; q < 3; ++q) {
                            const auto& s = segments[size_t(q)];
                            float direction[3] = {s[3] - s[0], s[4] - s[1], s[5] - s[2]};
                            float best = std::numeric_limits<float>::max();
                            for (size_t t = 0; t * 9 < soup.positions.size(); ++t)
                                IntersectRayTriangle(&soup.positions[t * 9], &soup.positions[t * 9 + 3],
                                                     &soup.positions[t * 9 + 6], &s[0], direction, true, best);
                        }
                    },
                    2) /
                3.0;
            std::printf("%-44s ours %9.2f us  brute %9.2f us  speed-up %8.0fx  (goal >= 100)\n",
                        "segment query at 1M triangles", queries * 1e6, brute * 1e6, brute / queries);
        }
    }

    if (!wanted("weld"))
        return 0;
    std::mt19937 random(9);
    std::uniform_int_distribution<int> grid(0, 300);
    std::vector<std::array<float, 3>> points(1000000);
    for (auto& p : points)
        p = {float(grid(random)), float(grid(random)), float(grid(random) % 7)};
    auto weldOurs = [&](size_t count) {
        return bench::BestOf(
            [&] {
                KVMapKDTree<int, float, 3, 4000> tree;
                std::vector<int> found;
                int next = 0;
                for (size_t i = 0; i < count; ++i) {
                    if (tree.FindExact(points[i].data(), found) == 0)
                        tree.Insert(points[i].data(), next++);
                }
            },
            2);
    };
    auto weldMap = [&](size_t count) {
        return bench::BestOf(
            [&] {
                struct Hash {
                    size_t operator()(const std::array<uint32_t, 3>& k) const
                    {
                        return (size_t(k[0]) * 73856093u) ^ (size_t(k[1]) * 19349663u) ^ (size_t(k[2]) * 83492791u);
                    }
                };
                std::unordered_map<std::array<uint32_t, 3>, int, Hash> map;
                int next = 0;
                for (size_t i = 0; i < count; ++i) {
                    std::array<uint32_t, 3> key;
                    memcpy(key.data(), points[i].data(), 12);
                    map.emplace(key, next++);
                }
            },
            2);
    };
    double weld = weldOurs(points.size());
    Ratio("KD weld 1M points vs unordered_map", weld, weldMap(points.size()), "<= 2");
    std::printf("%-44s %.2f (n log n: ~2.1)\n", "KD weld, 1M vs 500k", weld / weldOurs(points.size() / 2));
    return 0;
}
