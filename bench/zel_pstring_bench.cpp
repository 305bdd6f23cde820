// Benchmark: interning 1M short names from 4 threads, PString against std::unordered_set<std::string> behind a mutex.
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "zel/pstring.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kThreads = 4;
constexpr int kNamesPerThread = 250000;
constexpr int kDistinctNames = 50000;  // soup tag names repeat a lot

// Each thread interns its own slice of the same vocabulary, so threads both
// create and find names, and meet on the same ones.
std::vector<std::vector<std::string>> MakeNames()
{
    std::vector<std::vector<std::string>> names(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        names[t].reserve(kNamesPerThread);
        for (int i = 0; i < kNamesPerThread; ++i) {
            int id = (i * 7919 + t * 104729) % kDistinctNames;
            names[t].push_back("tag-" + std::to_string(id));
        }
    }
    return names;
}

template <class Work>
double RunThreads(Work work)
{
    auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(work, t);
    for (std::thread& thread : threads)
        thread.join();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double BestOf(int runs, double (*once)(const std::vector<std::vector<std::string>>&),
              const std::vector<std::vector<std::string>>& names)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        double seconds = once(names);
        if (seconds < best)
            best = seconds;
    }
    return best;
}

double InternOurs(const std::vector<std::vector<std::string>>& names)
{
    Zel::PStringCache::CollectGarbage();  // start from an empty table, as the peer does
    std::vector<size_t> checksum(kThreads);
    double seconds = RunThreads([&](int t) {
        size_t sum = 0;
        for (const std::string& name : names[t]) {
            Zel::PString interned(name.c_str(), name.size());
            sum += reinterpret_cast<uintptr_t>(interned.Node()) & 0xFF;
        }
        checksum[t] = sum;
    });
    return seconds;
}

double InternPeer(const std::vector<std::vector<std::string>>& names)
{
    std::unordered_set<std::string> table;
    std::mutex lock;
    std::vector<size_t> checksum(kThreads);
    double seconds = RunThreads([&](int t) {
        size_t sum = 0;
        for (const std::string& name : names[t]) {
            std::lock_guard<std::mutex> guard(lock);
            const std::string& interned = *table.insert(std::string(name.data(), name.size())).first;
            sum += reinterpret_cast<uintptr_t>(&interned) & 0xFF;
        }
        checksum[t] = sum;
    });
    return seconds;
}

}  // namespace

int main()
{
    std::vector<std::vector<std::string>> names = MakeNames();
    double peer = BestOf(3, InternPeer, names);
    double ours = BestOf(3, InternOurs, names);
    printf("PString interning, %d names from %d threads\n", kThreads * kNamesPerThread, kThreads);
    printf("  ours (Zel::PString):                       %8.2f ms\n", ours * 1e3);
    printf("  peer (unordered_set<string> + one mutex):  %8.2f ms\n", peer * 1e3);
    printf("  ratio ours/peer: %.2f (goal <= 2)\n", ours / peer);
    return 0;
}
