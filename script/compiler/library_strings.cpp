#include "script/compiler/library_strings.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

#include "script/common/script_hash.h"
#include "script/compiler/symbols.h"

namespace GSCompiler {

namespace {

constexpr size_t kBlockBytes = 64 * 1024;
// How far into the texts the eight-byte steps go (so also how deep they nest).
constexpr size_t kStepsFrom = 256;

// Eight bytes of a text from `offset` on as one number whose order is
// strcmp's order of those bytes (zeros past the end, as the terminator
// compares).
uint64_t EightBytes(std::string_view text, size_t offset)
{
    uint64_t bytes = 0;
    for (size_t i = offset; i < offset + 8; ++i)
        bytes = (bytes << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
    return bytes;
}

// Eight bytes that hold no terminator: texts equal in them may differ later.
bool Full(uint64_t bytes)
{
    for (int i = 0; i < 8; ++i, bytes >>= 8) {
        if ((bytes & 0xFF) == 0)
            return false;
    }
    return true;
}

struct OrderKey {
    uint32_t bucket;
    uint32_t index;
    uint64_t bytes;  // of the text, from the offset the run is sorted at
};

// Sorts keys of one bucket whose texts agree before `offset` by their texts,
// eight bytes at a time (each key comes with its text's bytes at `offset`):
// a large pool's texts share long beginnings (the signatures of one class),
// and comparing numbers read once per text and step beats comparing the
// texts over and over.
void SortByText(const std::vector<std::string_view>& texts, OrderKey* begin, OrderKey* end, size_t offset)
{
    std::sort(begin, end, [](const OrderKey& a, const OrderKey& b) { return a.bytes < b.bytes; });
    for (OrderKey* run = begin; run != end;) {
        OrderKey* runEnd = run + 1;
        while (runEnd != end && runEnd->bytes == run->bytes)
            ++runEnd;
        if (runEnd - run > 1 && Full(run->bytes)) {
            const size_t after = offset + 8;
            if (after >= kStepsFrom) {
                // Texts this much alike are rare: compare the rest of them
                // rather than go deeper with every eight bytes.
                std::sort(run, runEnd, [&texts, after](const OrderKey& a, const OrderKey& b) {
                    return std::strcmp(texts[a.index].data() + after, texts[b.index].data() + after) < 0;
                });
            } else {
                for (OrderKey* key = run; key != runEnd; ++key)
                    key->bytes = EightBytes(texts[key->index], after);
                SortByText(texts, run, runEnd, after);
            }
        }
        run = runEnd;
    }
}

}  // namespace

char* LibraryStringPool::Store(std::string_view text)
{
    const size_t bytes = text.size() + 1;
    try {
        if (blocks_.empty() || blockSize_ - blockUsed_ < bytes) {
            const size_t size = bytes > kBlockBytes ? bytes : kBlockBytes;
            blocks_.reserve(blocks_.size() + 1);
            blocks_.push_back(std::make_unique<char[]>(size));
            blockSize_ = size;
            blockUsed_ = 0;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    char* at = blocks_.back().get() + blockUsed_;
    std::memcpy(at, text.data(), text.size());
    at[text.size()] = '\0';
    blockUsed_ += bytes;
    return at;
}

bool LibraryStringPool::Grow()
{
    const size_t size = slots_.empty() ? 1024 : slots_.size() * 2;
    std::vector<uint64_t> grown;
    try {
        grown.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const size_t mask = size - 1;
    for (const uint64_t slot : slots_) {
        if (slot == 0)
            continue;
        size_t at = static_cast<size_t>(slot >> 32) & mask;
        while (grown[at] != 0)
            at = (at + 1) & mask;
        grown[at] = slot;
    }
    slots_.swap(grown);
    return true;
}

int32_t LibraryStringPool::Intern(const char* text)
{
    if (text == nullptr)
        return -1;
    // At most half full, so probes stay short.
    if ((texts_.size() + 1) * 2 > slots_.size() && !Grow())
        return -1;
    const std::string_view wanted(text);
    const auto half = static_cast<uint32_t>(static_cast<uint64_t>(std::hash<std::string_view>{}(wanted)) >> 32);
    const size_t mask = slots_.size() - 1;
    size_t at = half & mask;
    for (; slots_[at] != 0; at = (at + 1) & mask) {
        const uint64_t slot = slots_[at];
        if (static_cast<uint32_t>(slot >> 32) == half && texts_[static_cast<uint32_t>(slot) - 1] == wanted)
            return static_cast<int32_t>(static_cast<uint32_t>(slot) - 1);
    }
    const auto index = static_cast<uint32_t>(texts_.size());
    char* stored = Store(wanted);
    if (stored == nullptr)
        return -1;
    try {
        texts_.emplace_back(stored, wanted.size());
    } catch (const std::bad_alloc&) {
        blockUsed_ = static_cast<size_t>(stored - blocks_.back().get());  // the text was the last one stored
        return -1;
    }
    slots_[at] = (static_cast<uint64_t>(half) << 32) | (index + 1);
    return static_cast<int32_t>(index);
}

const char* LibraryStringPool::Text(uint32_t index) const
{
    return index < texts_.size() ? texts_[index].data() : nullptr;
}

uint32_t LibraryStringPool::Length(uint32_t index) const
{
    return index < texts_.size() ? static_cast<uint32_t>(texts_[index].size()) : 0;
}

std::vector<uint32_t> LibraryStringPool::WriteOrder() const
{
    // Bucket by bucket (counted, then placed in index order), each chain
    // ascending as strcmp orders (unsigned bytes).
    std::vector<uint32_t> buckets(texts_.size());
    std::vector<uint32_t> starts(kBuckets + 1, 0);
    for (uint32_t i = 0; i < texts_.size(); ++i) {
        buckets[i] = Utils::ScriptHash(texts_[i].data()) % kBuckets;
        ++starts[buckets[i] + 1];
    }
    for (uint32_t b = 0; b < kBuckets; ++b)
        starts[b + 1] += starts[b];
    std::vector<OrderKey> keys(texts_.size());
    std::vector<uint32_t> next(starts.begin(), starts.end() - 1);
    for (uint32_t i = 0; i < texts_.size(); ++i)
        keys[next[buckets[i]]++] = {buckets[i], i, EightBytes(texts_[i], 0)};
    for (uint32_t b = 0; b < kBuckets; ++b)
        SortByText(texts_, keys.data() + starts[b], keys.data() + starts[b + 1], 0);
    std::vector<uint32_t> order;
    order.reserve(keys.size());
    for (const OrderKey& key : keys)
        order.push_back(key.index);
    return order;
}

void LibraryStringPool::Clear()
{
    slots_.clear();
    texts_.clear();
    blocks_.clear();
    blockUsed_ = 0;
    blockSize_ = 0;
}

int32_t InternString(const char* text, GSSymbolTable* context)
{
    return context->libraryStrings.Intern(text);
}

}  // namespace GSCompiler
