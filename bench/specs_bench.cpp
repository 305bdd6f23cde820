// The spec registry's lookup and the resource-database table's open/release, each against a plain peer in the same run.
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "assetdb/pemberlynx_spec_registry.h"
#include "assetdb/resource_database.h"
#include "assetdb/spec_creation.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class Body>
double Seconds(Body body)
{
    Clock::time_point start = Clock::now();
    body();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(const char* what, double ours, double peer, const char* peerName)
{
    std::printf("%-44s ours %8.3f ms   %s %8.3f ms   ratio %.2f\n", what, ours * 1e3, peerName, peer * 1e3,
                ours / peer);
}

KUID IdAt(int index)
{
    return KUID(100000 + index % 97, index, index % 3);
}

void BenchFindLoadedSpec()
{
    constexpr int SpecCount = 10000;
    constexpr int Lookups = 1000000;
    PemberlynxSpecRegistry registry;
    std::vector<PemberlynxSpecRef> held;
    std::unordered_map<KUID, PemberlynxSpec*> peer;
    SoupHandle config;
    config.SetNamedTag(Zel::PString("kind"), "scenery");
    for (int i = 0; i < SpecCount; ++i) {
        held.push_back(CreateSpecForKind(IdAt(i), Zel::PString(), {}, {}, config));
        peer.emplace(IdAt(i), held.back().Get());
    }
    long found = 0;
    double ours = Seconds([&] {
        for (int i = 0; i < Lookups; ++i)
            found += FindLoadedSpec(IdAt(int((int64_t(i) * 7919) % SpecCount))) ? 1 : 0;
    });
    // The peer does what FindLoadedSpec does around its lookup: a lock and a
    // counted reference.
    std::mutex lock;
    double peerTime = Seconds([&] {
        for (int i = 0; i < Lookups; ++i) {
            std::lock_guard<std::mutex> hold(lock);
            auto it = peer.find(IdAt(int((int64_t(i) * 7919) % SpecCount)));
            if (it != peer.end()) {
                PemberlynxSpecRef ref(it->second);
                found += ref ? 1 : 0;
            }
        }
    });
    if (found != 2L * Lookups)
        std::printf("unexpected: %ld found\n", found);
    Report("FindLoadedSpec, 10,000 specs, 1M lookups", ours, peerTime, "unordered_map+mutex");
    held.clear();
}

void BenchOpenRelease()
{
    constexpr int Threads = 8;
    constexpr int PerThread = 125000;
    Zel::PString name("bench-store");
    Zel::File::Path base("/tmp");
    // Held open throughout, as the built-in databases are.
    KorvelResourceDatabase* keeper = OpenResourceDatabase(name, base);
    auto runThreads = [&](auto body) {
        return Seconds([&] {
            std::vector<std::thread> threads;
            for (int t = 0; t < Threads; ++t)
                threads.emplace_back([&] {
                    for (int i = 0; i < PerThread; ++i)
                        body();
                });
            for (std::thread& thread : threads)
                thread.join();
        });
    };
    double ours = runThreads([&] { ReleaseResourceDatabase(OpenResourceDatabase(name, base)); });
    std::mutex lock;
    int uses = 0;
    double peer = runThreads([&] {
        {
            std::lock_guard<std::mutex> hold(lock);
            ++uses;
        }
        std::lock_guard<std::mutex> hold(lock);
        --uses;
    });
    Report("OpenResourceDatabase+Release, 8 threads x 125k", ours, peer, "bare mutex");
    ReleaseResourceDatabase(keeper);
    PurgeResourceDatabases();
}

}  // namespace

int main()
{
    BenchFindLoadedSpec();
    BenchOpenRelease();
    return 0;
}
