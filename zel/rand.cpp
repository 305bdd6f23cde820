// Engine random generator: one locked 64-bit generator for the process.
#include "zel/rand.h"

#include <mutex>
#include <random>
#include <unistd.h>

#include "zel/time.h"

namespace Zel {
namespace {

std::mutex g_lock;
std::mt19937_64& Generator()
{
    static std::mt19937_64 generator(0x5DEECE66DULL);
    return generator;
}

}  // namespace

void Rand::Randomise()
{
    uint64_t seed = static_cast<uint64_t>(Time::GetSeconds() * 1e9) ^ (static_cast<uint64_t>(getpid()) << 32);
    Seed(seed);
}

void Rand::Seed(uint64_t seed)
{
    std::lock_guard<std::mutex> guard(g_lock);
    Generator().seed(seed);
}

int Rand::NextInt(int low, int high)
{
    if (low > high)
        std::swap(low, high);
    std::uniform_int_distribution<int> range(low, high);
    std::lock_guard<std::mutex> guard(g_lock);
    return range(Generator());
}

double Rand::NextDouble()
{
    std::uniform_real_distribution<double> range(0.0, 1.0);
    std::lock_guard<std::mutex> guard(g_lock);
    return range(Generator());
}

}  // namespace Zel
