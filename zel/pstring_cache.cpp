// The intern table behind PString: sharded open-addressing tables, one lock per shard.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "zel/ascii.h"
#include "zel/pstring.h"

namespace Zel {
namespace {

constexpr size_t kShardCount = 64;  // a power of two
constexpr size_t kInitialSlots = 64;

// A fast multiplicative hash over 8-byte words; names are short, so the
// per-byte cost of FNV would dominate interning.
uint32_t HashText(const char* text, size_t length)
{
    const uint64_t kMul = 0x9E3779B97F4A7C15ULL;
    uint64_t h = 0x243F6A8885A308D3ULL ^ (length * kMul);
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        memcpy(&word, text + i, 8);
        h = (h ^ word) * kMul;
        h ^= h >> 29;
    }
    uint64_t tail = 0;
    memcpy(&tail, text + i, length - i);
    h = (h ^ tail) * kMul;
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ULL;
    h ^= h >> 32;
    return static_cast<uint32_t>(h);
}

struct alignas(64) Shard {
    std::mutex lock;
    PStringNode** slots = nullptr;
    size_t capacity = 0;  // a power of two, or 0
    size_t count = 0;
    // Set when a count here reached 0 since the shard was last collected.
    std::atomic<bool> unheld{false};
};

Shard g_shards[kShardCount];
std::atomic<bool> g_collecting{true};

Shard& ShardOf(uint32_t hash)
{
    return g_shards[hash >> 26];
}

PStringNode* NewNode(const char* text, size_t length, uint32_t hash)
{
    void* memory = malloc(offsetof(PStringNode, text) + length + 1);
    if (!memory)
        throw std::bad_alloc();
    PStringNode* node = static_cast<PStringNode*>(memory);
    new (&node->references) std::atomic<int32_t>(1);
    node->hash = hash;
    node->length = static_cast<uint32_t>(length);
    memcpy(node->text, text, length);
    node->text[length] = '\0';
    return node;
}

void PlaceNode(PStringNode** slots, size_t capacity, PStringNode* node)
{
    size_t mask = capacity - 1;
    size_t i = node->hash & mask;
    while (slots[i])
        i = (i + 1) & mask;
    slots[i] = node;
}

// Rebuilds the shard's table at capacity, keeping the nodes that remain.
void Rehash(Shard& shard, size_t capacity)
{
    PStringNode** slots = static_cast<PStringNode**>(calloc(capacity, sizeof(PStringNode*)));
    if (!slots)
        throw std::bad_alloc();
    for (size_t i = 0; i < shard.capacity; ++i) {
        if (shard.slots[i])
            PlaceNode(slots, capacity, shard.slots[i]);
    }
    free(shard.slots);
    shard.slots = slots;
    shard.capacity = capacity;
}

PStringNode* Intern(const char* text, size_t length)
{
    // Lengths are kept in 32 bits; nothing in the program comes near that.
    if (length > 0x7FFFFFFF)
        throw std::length_error("PString too long");
    uint32_t hash = HashText(text, length);
    Shard& shard = ShardOf(hash);
    std::lock_guard<std::mutex> guard(shard.lock);
    if (shard.capacity) {
        size_t mask = shard.capacity - 1;
        for (size_t i = hash & mask; PStringNode* node = shard.slots[i]; i = (i + 1) & mask) {
            if (node->hash == hash && node->length == length && memcmp(node->text, text, length) == 0) {
                // The only 0 -> 1 step of a count happens here, under the shard lock,
                // which is what lets CollectGarbage free nodes at 0 safely.
                node->references.fetch_add(1, std::memory_order_relaxed);
                return node;
            }
        }
    }
    if ((shard.count + 1) * 2 > shard.capacity)
        Rehash(shard, shard.capacity ? shard.capacity * 2 : kInitialSlots);
    PStringNode* node = NewNode(text, length, hash);
    PlaceNode(shard.slots, shard.capacity, node);
    ++shard.count;
    return node;
}

std::string CaseMapped(const PString& string, bool upper)
{
    std::string text(string.View());
    for (char& c : text)
        c = upper ? AsciiToUpper(c) : AsciiToLower(c);
    return text;
}

}  // namespace

PString PStringCache::Create(const char* text)
{
    if (!text)
        return PString();
    return PString(Intern(text, strlen(text)));
}

PString PStringCache::Create(const char* text, size_t length)
{
    if (!text)
        return PString();
    return PString(Intern(text, length));
}

PString PStringCache::Create(std::string_view text)
{
    return PString(Intern(text.data() ? text.data() : "", text.size()));
}

void PStringCache::Destroy(PString& string)
{
    string.Release();
}

PString PStringCache::ToLower(const PString& string)
{
    if (string.IsNull())
        return PString();
    return Create(CaseMapped(string, false));
}

PString PStringCache::ToUpper(const PString& string)
{
    if (string.IsNull())
        return PString();
    return Create(CaseMapped(string, true));
}

PString PStringCache::Ins(const PString& string, size_t position, const char* text)
{
    std::string result(string.View());
    if (position > result.size())
        position = result.size();
    result.insert(position, text ? text : "");
    return Create(result);
}

PString PStringCache::Del(const PString& string, size_t position, size_t count)
{
    std::string result(string.View());
    if (position < result.size())
        result.erase(position, count);
    return Create(result);
}

void PStringCache::NoteUnheld(uint32_t hash) noexcept
{
    // Most drops find the mark already set: reading first keeps them from
    // writing to a line other threads are interning through.
    std::atomic<bool>& unheld = ShardOf(hash).unheld;
    if (!unheld.load(std::memory_order_acquire))
        unheld.store(true, std::memory_order_release);
}

size_t PStringCache::CollectGarbage()
{
    size_t freed = 0;
    if (!g_collecting.load(std::memory_order_relaxed))
        return freed;
    for (Shard& shard : g_shards) {
        // A count that reaches 0 during the walk marks the shard again, so
        // the next collection frees it.
        if (!shard.unheld.exchange(false, std::memory_order_acq_rel))
            continue;
        std::lock_guard<std::mutex> guard(shard.lock);
        size_t before = shard.count;
        for (size_t i = 0; i < shard.capacity; ++i) {
            PStringNode* node = shard.slots[i];
            if (!node || node->references.load(std::memory_order_acquire) != 0)
                continue;
            free(node);
            shard.slots[i] = nullptr;
            --shard.count;
        }
        if (shard.count != before) {
            freed += before - shard.count;
            // Linear probing cannot leave holes in a chain: rebuild.
            Rehash(shard, shard.capacity);
        }
    }
    return freed;
}

void PStringCache::StopCollecting()
{
    g_collecting.store(false, std::memory_order_relaxed);
}

size_t PStringCache::Count()
{
    size_t total = 0;
    for (Shard& shard : g_shards) {
        std::lock_guard<std::mutex> guard(shard.lock);
        total += shard.count;
    }
    return total;
}

}  // namespace Zel
