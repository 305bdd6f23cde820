// Benchmark: KorvelAlphaBlendCache Add + Render of 10k chunks (30% near enough to sort per primitive) against std::stable_sort by distance, and allocations per steady frame.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <vector>

#include "best_of.h"
#include "mesh/korvel_alpha_blend_cache.h"
#include "zel/display.h"
#include "zel/geometry_chunk.h"
#include "zel/material.h"

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

// Every allocation of the process is counted.
void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

constexpr int kChunks = 10000;
constexpr int kTriangles = 32;

// Draws nothing: the benchmark measures the ordering, not a display.
class CountingMaterial : public Zel::Material {
public:
    CountingMaterial() : Zel::Material("bench", "bench") {}
    long drawn = 0;
    void RenderChunk(Zel::Display*, const Zel::Viewport*, Zel::GeometryChunk*, const Zel::LightList*,
                     const Zel::Matrix16&, int) override
    {
        ++drawn;
    }
    void RenderPrimitives(Zel::Display*, const Zel::Viewport*, Zel::GeometryChunk*, const Zel::LightList*,
                          const Zel::Matrix16&, int indexCount, const uint16_t*, int, int, int) override
    {
        drawn += indexCount;
    }
};

struct Scene {
    std::vector<Zel::GeometryChunk*> chunks;
    std::vector<Zel::Matrix16> placements;

    Scene()
    {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (int c = 0; c < kChunks; ++c) {
            auto* chunk =
                new Zel::GeometryChunk(kTriangles * 3, kTriangles, kTriangles * 3, 0, 4, 1u << Zel::ItemPosition);
            Zel::VertexStream positions = chunk->GetItem(Zel::ItemPosition);
            for (int v = 0; v < kTriangles * 3; ++v) {
                float p[3] = {unit(random) * 4, unit(random) * 4, unit(random) * 4};
                std::memcpy(positions.data + v * positions.stride, p, sizeof p);
                chunk->GetIndices()[v] = static_cast<uint16_t>(v);
            }
            chunks.push_back(chunk);
            // 30% nearer than 350 units (sorted per primitive), the rest beyond.
            float distance = c % 10 < 3 ? 5.0f + unit(random) * 340.0f : 360.0f + unit(random) * 900.0f;
            Zel::Matrix16 m = Zel::kIdentityMatrix;
            float angle = unit(random) * 6.2831853f;
            m[12] = distance * std::cos(angle);
            m[14] = distance * std::sin(angle);
            placements.push_back(m);
        }
    }
    ~Scene()
    {
        for (Zel::GeometryChunk* chunk : chunks)
            chunk->ReleaseReference();
    }
};

// The plain way: the same per-primitive sort for near chunks, then every
// chunk stable-sorted by distance, drawn back to front.
struct PlainSorter {
    struct Entry {
        size_t chunk;
        float distance;
        std::vector<uint16_t> sorted;
    };
    std::vector<Entry> entries;

    void Frame(const Scene& scene, CountingMaterial& material, Zel::Display& display)
    {
        entries.clear();
        for (size_t c = 0; c < scene.chunks.size(); ++c) {
            const Zel::Matrix16& m = scene.placements[c];
            Entry entry{c, std::sqrt(m[12] * m[12] + m[13] * m[13] + m[14] * m[14]), {}};
            if (entry.distance < 350.0f) {
                Zel::GeometryChunk* chunk = scene.chunks[c];
                Zel::VertexStream positions = chunk->GetItem(Zel::ItemPosition);
                const uint16_t* indices = chunk->GetIndices();
                const float eye[3] = {-m[12], -m[13], -m[14]};
                std::vector<std::pair<float, int>> order;
                for (int t = 0; t < kTriangles; ++t) {
                    float centre[3] = {0, 0, 0};
                    for (int k = 0; k < 3; ++k) {
                        float p[3];
                        std::memcpy(p, positions.data + indices[t * 3 + k] * positions.stride, sizeof p);
                        centre[0] += p[0], centre[1] += p[1], centre[2] += p[2];
                    }
                    float dx = centre[0] / 3 - eye[0], dy = centre[1] / 3 - eye[1], dz = centre[2] / 3 - eye[2];
                    order.emplace_back(dx * dx + dy * dy + dz * dz, t);
                }
                std::stable_sort(order.begin(), order.end(),
                                 [](const auto& a, const auto& b) { return a.first > b.first; });
                for (const auto& [d, t] : order)
                    entry.sorted.insert(entry.sorted.end(), indices + t * 3, indices + t * 3 + 3);
            }
            entries.push_back(std::move(entry));
        }
        std::stable_sort(entries.begin(), entries.end(),
                         [](const Entry& a, const Entry& b) { return a.distance > b.distance; });
        for (const Entry& entry : entries) {
            display.SetBlendFunction(Zel::BlendSrcAlpha, Zel::BlendInvSrcAlpha);
            if (!entry.sorted.empty())
                material.RenderPrimitives(&display, nullptr, scene.chunks[entry.chunk], nullptr,
                                          scene.placements[entry.chunk], static_cast<int>(entry.sorted.size()),
                                          entry.sorted.data(), kTriangles, 4, -1);
            else
                material.RenderChunk(&display, nullptr, scene.chunks[entry.chunk], nullptr,
                                     scene.placements[entry.chunk], -1);
        }
    }
};

}  // namespace

int main()
{
    Scene scene;
    CountingMaterial material;
    Zel::Display display;
    Zel::KorvelAlphaBlendCache cache;
    PlainSorter plain;

    auto ours = [&] {
        display.ClearEvents();
        for (size_t c = 0; c < scene.chunks.size(); ++c)
            cache.Add(&display, nullptr, &material, scene.chunks[c], nullptr, scene.placements[c]);
        cache.Render(&display, nullptr);
    };
    auto anchor = [&] {
        display.ClearEvents();
        plain.Frame(scene, material, display);
    };
    // Warm up both: nodes, buckets, sort storage and the event log reach
    // their steady sizes.
    for (int i = 0; i < 3; ++i) {
        ours();
        anchor();
    }
    long before = g_allocations.load();
    const int frames = 10;
    for (int i = 0; i < frames; ++i)
        ours();
    long perFrame = (g_allocations.load() - before) / frames;
    before = g_allocations.load();
    anchor();
    long anchorAllocations = g_allocations.load() - before;

    double oursSeconds = bench::BestOf(ours, 7);
    double anchorSeconds = bench::BestOf(anchor, 7);
    std::printf("%-52s ours %9.4f s  anchor %9.4f s  ratio %7.2f  (goal <= 3)\n",
                "alpha cache Add+Render 10k chunks vs std::stable_sort", oursSeconds, anchorSeconds,
                oursSeconds / anchorSeconds);
    std::printf("%-52s ours %ld  anchor %ld  (goal: ours 0)\n", "allocations per frame after warm-up", perFrame,
                anchorAllocations);
    return 0;
}
