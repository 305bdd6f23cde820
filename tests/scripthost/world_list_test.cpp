// WorldList: slot indices, the three streams round trip, damaged streams, factories, positions and the grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "foundation/streams/t_file.h"
#include "foundation/streams/t_sub_file.h"
#include "scripthost/world_item_factory.h"
#include "scripthost/world_list.h"
#include "scripthost/world_position.h"
#include "support/file_text.h"
#include "support/temp_folder.h"

namespace {

constexpr uint32_t OtherType = 0x74736574u;  // "test"

// An item whose saved form, state and data are each a byte string.
class BytesItem : public WorldListItem {
public:
    BytesItem(uint32_t type, std::string payload, KUID kuid = KUID(), uint32_t flags = 1)
        : type_(type), kuid_(kuid), flags_(flags), payload_(std::move(payload))
    {}
    uint32_t GetTypeId() const override { return type_; }
    KUID GetKUID() override { return kuid_; }
    uint32_t GetFlags() override { return flags_; }
    void Save(TStream& stream) override { WriteText(stream, payload_); }
    void Load(TStream& stream) override { payload_ = ReadText(stream); }
    void WriteState(TStream& stream) override { WriteText(stream, state_); }
    void ReadState(TStream& stream) override { state_ = ReadText(stream); }
    void WriteData(TStream& stream) override { WriteText(stream, data_); }
    void ReadData(TStream& stream) override { data_ = ReadText(stream); }
    void Notify(int32_t value, uint32_t) override { notified_ += value; }
    WorldExtent GetExtent() override { return extent_; }

    static void WriteText(TStream& stream, const std::string& text)
    {
        stream.WriteUInt32(uint32_t(text.size()));
        stream.WriteBytes(text.data(), int64_t(text.size()));
    }
    static std::string ReadText(TStream& stream)
    {
        const uint32_t size = stream.ReadUInt32(0);
        std::string text(std::min<uint32_t>(size, 1u << 24), '\0');
        text.resize(size_t(std::max<int64_t>(0, stream.ReadBytes(text.data(), int64_t(text.size())))));
        return text;
    }

    uint32_t type_;
    KUID kuid_;
    uint32_t flags_;
    std::string payload_;
    std::string state_;
    std::string data_;
    int32_t notified_ = 0;
    KUID kuidWhileLoading_;
    WorldExtent extent_{};
};

// Makes BytesItems of one type from the stream, remembering the current KUID.
class BytesFactory : public WorldItemFactory {
public:
    explicit BytesFactory(uint32_t type) : WorldItemFactory(type, Zel::PString("bytes")) {}
    WorldFactoryItem* Create(void* context, TStream& stream) override
    {
        ++created;
        lastContext = context;
        auto* item = new BytesItem(GetTypeId(), BytesItem::ReadText(stream), CurrentWorldItemKUID());
        item->kuidWhileLoading_ = CurrentWorldItemKUID();
        return item;
    }
    int created = 0;
    void* lastContext = nullptr;
};

// A factory whose product is no list item.
class StrayFactory : public WorldItemFactory {
public:
    struct Stray : WorldFactoryItem {
        uint32_t GetTypeId() const override { return OtherType; }
    };
    StrayFactory() : WorldItemFactory(OtherType, Zel::PString("stray")) {}
    WorldFactoryItem* Create(void*, TStream&) override { return new Stray; }
};

std::vector<uint8_t> Bytes(TBuffer& buffer)
{
    return std::vector<uint8_t>(buffer.Data(), buffer.Data() + buffer.DataLength());
}

// A readable stream over the given bytes.
void Fill(TBuffer& buffer, const std::vector<uint8_t>& bytes, size_t count)
{
    buffer.WriteBytes(bytes.data(), int64_t(std::min(count, bytes.size())));
    buffer.Rewind();
}

BytesItem* At(WorldList& list, int32_t index)
{
    return dynamic_cast<BytesItem*>(list.GetItem(index));
}

void PutUInt32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    std::memcpy(bytes.data() + at, &value, 4);
}

TEST(WorldListIndices, EvenIndicesAreReusedAndPlacedItemsGrowTheSlots)
{
    WorldList list;
    auto* a = new BytesItem(OtherType, "a");
    auto* b = new BytesItem(OtherType, "b");
    auto* c = new BytesItem(OtherType, "c");
    EXPECT_EQ(list.AddItem(a), 0);
    EXPECT_EQ(list.AddItem(b), 2);
    EXPECT_EQ(list.AddItem(c), 4);
    EXPECT_EQ(list.AddItem(b), -1);  // already in a list
    delete b;
    EXPECT_EQ(list.GetItem(2), nullptr);
    auto* d = new BytesItem(OtherType, "d");
    EXPECT_EQ(list.AddItem(d), 2);
    EXPECT_EQ(d->GetOwner(), &list);

    WorldList placed;
    auto* e = new BytesItem(OtherType, "e");
    EXPECT_TRUE(placed.AddItemAt(7, e));
    EXPECT_EQ(placed.GetSlotCount(), 8);
    for (int32_t i = 0; i < 7; ++i) {
        EXPECT_EQ(placed.GetItem(i), nullptr) << i;
    }
    auto* f = new BytesItem(OtherType, "f");
    EXPECT_FALSE(placed.AddItemAt(7, f));  // occupied
    EXPECT_FALSE(placed.AddItemAt(-3, f));
    EXPECT_EQ(placed.AddItem(f), 0);

    placed.RemoveItem(e);
    EXPECT_EQ(e->GetOwner(), nullptr);
    EXPECT_EQ(e->GetIndex(), -1);
    delete e;
}

TEST(WorldListIndices, KeptIndicesStayReservedAndClearStartsAgain)
{
    WorldList list;
    auto* a = new BytesItem(OtherType, "a");
    auto* b = new BytesItem(OtherType, "b");
    list.AddItem(a);
    list.AddItem(b);
    WorldListItem::KeepIndex(a);
    list.RemoveItem(a);
    auto* c = new BytesItem(OtherType, "c");
    EXPECT_EQ(list.AddItem(c), 4);
    delete a;

    list.Clear();
    EXPECT_EQ(list.GetSlotCount(), 0);
    auto* d = new BytesItem(OtherType, "d");
    EXPECT_EQ(list.AddItem(d), 0);
}

TEST(WorldListWalks, NotifyAndDeleteFollowTheFlagMasks)
{
    WorldList list;
    auto* plain = new BytesItem(OtherType, "", KUID(), 0x1);
    auto* flagged = new BytesItem(OtherType, "", KUID(), 0x1 | 0x10);
    list.AddItem(plain);
    list.AddItem(flagged);
    list.NotifyMasked(5, 0x10);
    EXPECT_EQ(plain->notified_, 0);
    EXPECT_EQ(flagged->notified_, 5);
    list.NotifyMasked(1, 0);  // bit 1 is always wanted
    EXPECT_EQ(plain->notified_, 1);

    list.DeleteMasked(0x10, 0x10);
    EXPECT_EQ(list.CountItems(), 1);
    EXPECT_EQ(list.GetItem(0), plain);
    list.DeleteMasked(0, 0);
    EXPECT_EQ(list.CountItems(), 0);
}

// Three data items and two others with states, KUIDs and non-ASCII bytes,
// one of them several MB.
void FillSample(WorldList& list)
{
    list.SetListId(77);
    list.AddItem(new BytesItem(WorldTypeDataItem, "first", KUID(101, 1, 0)));
    list.AddItem(new BytesItem(OtherType, "Zürich–Łódź", KUID(25, 2, 3)));
    list.AddItem(new BytesItem(WorldTypeDataItem, std::string(3 << 20, '\xA7'), KUID(102, 3, 0)));
    list.AddItemAt(9, new BytesItem(OtherType, "", KUID()));
    list.AddItem(new BytesItem(WorldTypeDataItem, "last", KUID(104, 4, 0)));
    for (int32_t i = 0; i < list.GetSlotCount(); ++i) {
        if (BytesItem* item = At(list, i)) {
            item->state_ = "state " + std::to_string(i);
            item->data_ = "data " + std::to_string(i) + " ö";
        }
    }
}

TEST(WorldListStreams, FullStreamWithStatesRoundTripsThroughTheFactories)
{
    BytesFactory dataFactory(WorldTypeDataItem);
    BytesFactory otherFactory(OtherType);
    WorldList source;
    FillSample(source);
    // Items whose flags lack the state bit are not selected at all.
    TBuffer none;
    source.Save(none, WorldList::StateFlag, WorldList::StateFlag);
    none.Rewind();
    WorldList empty;
    EXPECT_TRUE(empty.Load(none, true, WorldList::StateFlag));
    EXPECT_EQ(empty.CountItems(), 0);

    // Save again with every item selected (mask 4 and value 4 need flag 4).
    for (int32_t i = 0; i < source.GetSlotCount(); ++i) {
        if (BytesItem* item = At(source, i))
            item->flags_ |= WorldList::StateFlag;
    }
    TBuffer all;
    source.Save(all, WorldList::StateFlag, WorldList::StateFlag);
    all.Rewind();
    int context = 0;
    WorldList copy;
    copy.SetFactoryContext(&context);
    copy.SetListId(3);
    EXPECT_TRUE(copy.Load(all, true, WorldList::StateFlag));
    EXPECT_TRUE(all.Eof());
    EXPECT_EQ(copy.GetListId(), 3);
    EXPECT_EQ(dataFactory.lastContext, &context);
    EXPECT_EQ(copy.CountItems(), source.CountItems());
    for (int32_t i = 0; i < source.GetSlotCount(); ++i) {
        BytesItem* original = At(source, i);
        BytesItem* loaded = At(copy, i);
        ASSERT_EQ(original == nullptr, loaded == nullptr) << i;
        if (original == nullptr)
            continue;
        EXPECT_EQ(loaded->GetTypeId(), original->GetTypeId());
        EXPECT_EQ(loaded->payload_, original->payload_);
        EXPECT_EQ(loaded->state_, original->state_);
        EXPECT_EQ(loaded->kuidWhileLoading_, original->GetKUID());
    }
    EXPECT_EQ(CurrentWorldItemKUID(), KUID());
    EXPECT_EQ(CurrentWorldListId(), -1);

    // Loading again without clearing reuses the items of the same type.
    BytesItem* kept = At(copy, 0);
    all.Rewind();
    EXPECT_TRUE(copy.Load(all, false, 0));
    EXPECT_EQ(At(copy, 0), kept);
    EXPECT_EQ(dataFactory.created, 3);
}

// Records are written whole and their lengths filled in place over a
// buffer; any other stream takes the seeking path. Both give the same bytes.
TEST(WorldListStreams, FullStreamIsTheSameOverABufferAndOverAnyOtherStream)
{
    WorldList source;
    FillSample(source);
    for (int32_t i = 0; i < source.GetSlotCount(); ++i) {
        if (BytesItem* item = At(source, i))
            item->flags_ |= WorldList::StateFlag;
    }
    const std::vector<uint8_t> prefix = {1, 2, 3};
    TBuffer direct;
    direct.WriteBytes(prefix.data(), 3);
    source.Save(direct, WorldList::StateFlag, WorldList::StateFlag);
    TBuffer underlying;
    underlying.WriteBytes(prefix.data(), 3);
    {
        TSubFile window(underlying, 0, std::numeric_limits<int64_t>::max());
        source.Save(window, WorldList::StateFlag, WorldList::StateFlag);
    }
    EXPECT_EQ(Bytes(direct), Bytes(underlying));
    // The head of the stream and its first record, word by word.
    const std::vector<uint32_t> head = {5, 77, 0, WorldTypeDataItem, 1, 101, 9, 5};
    std::vector<uint8_t> expected = prefix;
    for (uint32_t word : head) {
        for (int i = 0; i < 4; ++i)
            expected.push_back(uint8_t(word >> (8 * i)));
    }
    expected.insert(expected.end(), {'f', 'i', 'r', 's', 't'});
    const std::vector<uint8_t> saved = Bytes(direct);
    ASSERT_GE(saved.size(), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(saved.begin(), saved.begin() + std::ptrdiff_t(expected.size())), expected);
}

TEST(WorldListStreams, DataStreamReachesOnlyDataItems)
{
    WorldList source;
    FillSample(source);
    TBuffer saved;
    source.SaveData(saved);
    saved.WriteUInt32(0xabcdef01u);  // whatever follows the block stays unread
    saved.Rewind();

    WorldList target;
    FillSample(target);
    for (int32_t i = 0; i < target.GetSlotCount(); ++i) {
        if (BytesItem* item = At(target, i))
            item->data_.clear();
    }
    target.LoadData(saved);
    EXPECT_EQ(saved.ReadUInt32(0), 0xabcdef01u);
    for (int32_t i = 0; i < target.GetSlotCount(); ++i) {
        if (BytesItem* item = At(target, i)) {
            EXPECT_EQ(item->data_, item->GetTypeId() == WorldTypeDataItem ? At(source, i)->data_ : "") << i;
        }
    }
}

// Full-stream record bytes: index, type, KUID, then a block of one text.
void WriteRecord(TStream& stream, int32_t index, uint32_t type, const std::string& text)
{
    stream.WriteInt32(index);
    stream.WriteUInt32(type);
    stream.WriteKUID(KUID());
    const int64_t block = stream.BeginBlock();
    BytesItem::WriteText(stream, text);
    stream.EndBlock(block);
}

// A state block of the given version with records {index, type, text}.
void WriteStates(TStream& stream, int32_t version, const std::vector<std::pair<int32_t, uint32_t>>& records)
{
    const int64_t block = stream.BeginBlock();
    stream.WriteUInt32(TStream::BlockPlaceholder);
    stream.WriteInt32(version);
    stream.WriteInt32(0);
    for (const auto& [index, type] : records) {
        stream.WriteInt32(index);
        stream.WriteUInt32(type);
        const int64_t record = stream.BeginBlock();
        BytesItem::WriteText(stream, "state of " + std::to_string(index));
        stream.EndBlock(record);
    }
    stream.WriteInt32(-1);
    stream.EndBlock(block);
}

TEST(WorldListStreams, OlderVersionsAndForeignStatesAreSkipped)
{
    BytesFactory dataFactory(WorldTypeDataItem);
    BytesFactory otherFactory(OtherType);

    // Version 3 has no state block: what follows the records is not read.
    TBuffer version3;
    version3.WriteInt32(3);
    WriteRecord(version3, 0, OtherType, "three");
    version3.WriteInt32(-1);
    WriteStates(version3, 5, {{0, OtherType}});
    version3.Rewind();
    WorldList list;
    EXPECT_TRUE(list.Load(version3, true, WorldList::StateFlag));
    ASSERT_NE(At(list, 0), nullptr);
    EXPECT_EQ(At(list, 0)->payload_, "three");
    EXPECT_EQ(At(list, 0)->state_, "");

    // A state record naming another type than the item at its index is skipped.
    TBuffer version5;
    version5.WriteInt32(5);
    version5.WriteInt32(9);
    WriteRecord(version5, 0, OtherType, "zero");
    WriteRecord(version5, 2, WorldTypeDataItem, "two");
    version5.WriteInt32(-1);
    WriteStates(version5, 5, {{0, WorldTypeDataItem}, {2, WorldTypeDataItem}});
    version5.WriteInt32(0x5a5a5a5a);
    version5.Rewind();
    EXPECT_TRUE(list.Load(version5, true, WorldList::StateFlag));
    EXPECT_EQ(At(list, 0)->state_, "");
    EXPECT_EQ(At(list, 2)->state_, "state of 2");
    EXPECT_EQ(version5.ReadInt32(0), 0x5a5a5a5a);
    // Without the state flag the block is passed over whole.
    version5.Rewind();
    EXPECT_TRUE(list.Load(version5, true, 0));
    EXPECT_EQ(At(list, 2)->state_, "");
    EXPECT_EQ(version5.ReadInt32(0), 0x5a5a5a5a);

    // Unknown full-stream versions load nothing.
    for (int32_t version : {0, 6, -1}) {
        TBuffer unknown;
        unknown.WriteInt32(version);
        WriteRecord(unknown, 0, OtherType, "x");
        unknown.WriteInt32(-1);
        unknown.Rewind();
        EXPECT_FALSE(list.Load(unknown, true, 0)) << version;
        EXPECT_EQ(list.CountItems(), 0) << version;
    }

    // A data stream of version 2 is skipped whole.
    list.AddItem(new BytesItem(WorldTypeDataItem, ""));
    TBuffer data2;
    const int64_t outer = data2.BeginBlock();
    data2.WriteUInt32(TStream::BlockPlaceholder);
    data2.WriteInt32(2);
    data2.WriteInt32(0);
    const int64_t record = data2.BeginBlock();
    BytesItem::WriteText(data2, "should not arrive");
    data2.EndBlock(record);
    data2.WriteInt32(-1);
    data2.EndBlock(outer);
    data2.WriteInt32(0x5a5a5a5a);
    data2.Rewind();
    list.LoadData(data2);
    EXPECT_EQ(At(list, 0)->data_, "");
    EXPECT_EQ(data2.ReadInt32(0), 0x5a5a5a5a);
}

// Three records: "zero" at 0, "two" at 2 and "four" at 4, then states.
std::vector<uint8_t> SmallFullStream()
{
    TBuffer stream;
    stream.WriteInt32(5);
    stream.WriteInt32(1);
    WriteRecord(stream, 0, OtherType, "zero");
    WriteRecord(stream, 2, OtherType, "two");
    WriteRecord(stream, 4, WorldTypeDataItem, "four");
    stream.WriteInt32(-1);
    WriteStates(stream, 5, {{0, OtherType}, {2, OtherType}, {4, WorldTypeDataItem}});
    return Bytes(stream);
}

// First record: the index at 8, the type at 12, the length at 24.
constexpr size_t FirstIndexAt = 8;
constexpr size_t FirstTypeAt = 12;
constexpr size_t FirstLengthAt = 24;

TEST(WorldListDamagedStreams, TruncatedFullStreamKeepsTheWholeRecordsBeforeTheCut)
{
    BytesFactory dataFactory(WorldTypeDataItem);
    BytesFactory otherFactory(OtherType);
    const std::vector<uint8_t> whole = SmallFullStream();
    const char* payloads[] = {"zero", nullptr, "two", nullptr, "four"};
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        TBuffer stream;
        Fill(stream, whole, cut);
        WorldList list;
        EXPECT_FALSE(list.Load(stream, true, WorldList::StateFlag)) << cut;
        // The loaded items are a prefix of the saved ones, each complete.
        bool gap = false;
        for (int32_t i = 0; i <= 4; i += 2) {
            BytesItem* item = At(list, i);
            if (item == nullptr) {
                gap = true;
                continue;
            }
            EXPECT_FALSE(gap) << cut;
            EXPECT_EQ(item->payload_, payloads[i]) << cut;
        }
    }
}

TEST(WorldListDamagedStreams, TruncatedDataStreamChangesOnlyWholeRecords)
{
    WorldList source;
    for (int i = 0; i < 3; ++i) {
        auto* item = new BytesItem(WorldTypeDataItem, "");
        item->data_ = "data " + std::to_string(i);
        source.AddItem(item);
    }
    TBuffer saved;
    source.SaveData(saved);
    const std::vector<uint8_t> whole = Bytes(saved);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        TBuffer stream;
        Fill(stream, whole, cut);
        WorldList target;
        for (int i = 0; i < 3; ++i)
            target.AddItem(new BytesItem(WorldTypeDataItem, ""));
        target.LoadData(stream);
        for (int32_t i = 0; i <= 4; i += 2) {
            const std::string& data = At(target, i)->data_;
            EXPECT_TRUE(data.empty() || data == At(source, i)->data_) << cut << " " << data;
        }
    }
}

TEST(WorldListDamagedStreams, BadRecordsEndTheLoadAndKeepWhatWasRead)
{
    BytesFactory dataFactory(WorldTypeDataItem);
    BytesFactory otherFactory(OtherType);
    struct Case {
        const char* name;
        size_t at;       // offset of the second record's word to patch, from its start
        uint32_t value;  // the patched word
        bool loads;      // the load still reports a whole stream
        int count;       // items loaded
    };
    const std::vector<uint8_t> whole = SmallFullStream();
    // The first record is 4 + 4 + 8 + 4 + (4 + 4) bytes long ("zero").
    const size_t second = FirstIndexAt + 28;
    const Case cases[] = {
        {"length past the cap", 16, 0x1000000u, false, 1},
        {"length of all ones", 16, 0xffffffffu, false, 1},
        {"length past the stream", 16, 0x00fffff0u, false, 1},
        {"length short of the record", 16, 2, false, 2},  // the rest is read as records
        {"index beyond any slot", 0, 0x7ffffff0u, false, 1},
        {"negative index", 0, 0x80000000u, false, 1},
        {"type without a factory", 4, 0x6b6e6f77u, true, 2},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = whole;
        PutUInt32(bytes, second + c.at, c.value);
        TBuffer stream;
        Fill(stream, bytes, bytes.size());
        WorldList list;
        EXPECT_EQ(list.Load(stream, true, WorldList::StateFlag), c.loads) << c.name;
        EXPECT_EQ(list.CountItems(), c.count) << c.name;
        ASSERT_NE(At(list, 0), nullptr) << c.name;
        EXPECT_EQ(At(list, 0)->payload_, "zero") << c.name;
        EXPECT_LE(list.GetSlotCount(), 6) << c.name;
    }
}

TEST(WorldListDamagedStreams, FactoriesThatCannotPlaceTheirItem)
{
    StrayFactory stray;
    BytesFactory otherFactory(0x72656874u);
    // A product that is no list item is deleted; the record after it loads.
    std::vector<uint8_t> bytes = SmallFullStream();
    TBuffer stream;
    Fill(stream, bytes, bytes.size());
    WorldList list;
    EXPECT_TRUE(list.Load(stream, true, 0));
    EXPECT_EQ(list.CountItems(), 0);

    // Version 2 records carry no length: a type nobody makes ends the load.
    TBuffer version2;
    version2.WriteInt32(2);
    version2.WriteInt32(0);
    version2.WriteUInt32(0x72656874u);
    BytesItem::WriteText(version2, "made");
    version2.WriteInt32(2);
    version2.WriteUInt32(0x6b6e6f77u);
    version2.WriteInt32(-1);
    version2.Rewind();
    EXPECT_FALSE(list.Load(version2, true, 0));
    ASSERT_NE(At(list, 0), nullptr);
    EXPECT_EQ(At(list, 0)->payload_, "made");
    EXPECT_EQ(list.CountItems(), 1);

    // A length still holding the placeholder never becomes an item.
    std::vector<uint8_t> placeholder = SmallFullStream();
    PutUInt32(placeholder, FirstLengthAt, TStream::BlockPlaceholder);
    PutUInt32(placeholder, FirstTypeAt, 0x72656874u);
    TBuffer damaged;
    Fill(damaged, placeholder, placeholder.size());
    EXPECT_FALSE(list.Load(damaged, true, 0));
    EXPECT_EQ(list.CountItems(), 0);
}

TEST(WorldListStreams, ThousandsOfItemsRoundTrip)
{
    BytesFactory otherFactory(OtherType);
    WorldList source;
    for (int i = 0; i < 5000; ++i)
        source.AddItem(new BytesItem(OtherType, "item " + std::to_string(i), KUID(i, 1, 0)));
    TBuffer saved;
    source.Save(saved, 0, 0);
    saved.Rewind();
    WorldList copy;
    EXPECT_TRUE(copy.Load(saved, true, 0));
    ASSERT_EQ(copy.CountItems(), 5000);
    EXPECT_EQ(At(copy, 2 * 4321)->payload_, "item 4321");
}

// Records of every length from empty to past a few words put their headers
// at every offset from a cache boundary: each one is read whole, whether its
// header lies in the cache or straddles a refill, read from a buffer or
// through a window over one.
TEST(WorldListStreams, EveryRecordLoadsWhereverItsHeaderFalls)
{
    BytesFactory otherFactory(OtherType);
    WorldList source;
    for (int i = 0; i < 3000; ++i)
        source.AddItem(new BytesItem(OtherType, std::string(size_t(i % 41), char('a' + i % 26)), KUID(i + 1, 1, 0)));
    TBuffer saved;
    source.Save(saved, 0, 0);
    for (const bool throughWindow : {false, true}) {
        saved.Rewind();
        WorldList copy;
        if (throughWindow) {
            TSubFile window(saved, 0, saved.DataLength());
            EXPECT_TRUE(copy.Load(window, true, 0));
        } else {
            EXPECT_TRUE(copy.Load(saved, true, 0));
        }
        ASSERT_EQ(copy.CountItems(), 3000) << throughWindow;
        for (int i = 0; i < 3000; ++i) {
            BytesItem* item = At(copy, 2 * i);
            ASSERT_NE(item, nullptr) << i;
            EXPECT_EQ(item->payload_, std::string(size_t(i % 41), char('a' + i % 26))) << i;
            EXPECT_EQ(item->kuidWhileLoading_, KUID(i + 1, 1, 0)) << i;
        }
    }
}

// The same records saved: each header is staged whole or written word by
// word where it meets the end of the staging cache, and either way the bytes
// are the record's index, type, KUID words, length and payload.
TEST(WorldListStreams, EveryRecordIsSavedWhereverItsHeaderFalls)
{
    WorldList source;
    std::vector<uint8_t> expected;
    auto put = [&expected](uint32_t word) {
        for (int i = 0; i < 4; ++i)
            expected.push_back(uint8_t(word >> (8 * i)));
    };
    put(uint32_t(WorldList::FullStreamVersion));
    put(uint32_t(source.GetListId()));
    for (int i = 0; i < 3000; ++i) {
        const std::string payload(size_t(i % 41), char('a' + i % 26));
        const KUID kuid(i + 1, 1, 0);
        source.AddItem(new BytesItem(OtherType, payload, kuid));
        const KUID::Packed packed = kuid.Pack();
        for (uint32_t word : {uint32_t(2 * i), OtherType, packed.second, packed.first, uint32_t(4 + payload.size()),
                              uint32_t(payload.size())})
            put(word);
        expected.insert(expected.end(), payload.begin(), payload.end());
    }
    put(0xffffffffu);
    TBuffer saved;
    source.Save(saved, 0, 0);
    const std::vector<uint8_t> bytes = Bytes(saved);
    ASSERT_GE(bytes.size(), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(expected.size())), expected);
}

// Little-endian words, then raw text.
class GoldenBytes {
public:
    GoldenBytes& Words(std::initializer_list<uint32_t> words)
    {
        for (uint32_t word : words) {
            for (int i = 0; i < 4; ++i)
                bytes.push_back(uint8_t(word >> (8 * i)));
        }
        return *this;
    }
    GoldenBytes& Text(const std::string& text)
    {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    std::vector<uint8_t> bytes;
};

// Every byte of a full stream with states and of a data stream, written
// through a buffer, a file and a window, after prefixes that put records
// across the edge of a stream's cache; read back from the file.
TEST(WorldListStreams, SavedStreamsKeepTheirExactBytesOverEveryStream)
{
    BytesFactory dataFactory(WorldTypeDataItem);
    BytesFactory otherFactory(OtherType);
    WorldList list;
    list.SetListId(7);
    auto* first = new BytesItem(OtherType, "ab", KUID(5, 6, 0), 1 | WorldList::StateFlag);
    auto* data = new BytesItem(WorldTypeDataItem, "", KUID(8, 9, 0), 1 | WorldList::StateFlag);
    first->state_ = "s0";
    data->state_ = "state3";
    data->data_ = "d3";
    list.AddItem(first);
    list.AddItemAt(3, data);

    GoldenBytes full;
    full.Words({5, 7, 0, OtherType, 6, 5, 6, 2}).Text("ab");
    full.Words({3, WorldTypeDataItem, 9, 8, 4, 0, 0xffffffffu});
    full.Words({56, TStream::BlockPlaceholder, 5, 7, 0, OtherType, 6, 2}).Text("s0");
    full.Words({3, WorldTypeDataItem, 10, 6}).Text("state3").Words({0xffffffffu});
    GoldenBytes dataStream;
    dataStream.Words({26, TStream::BlockPlaceholder, 1, 3, 6, 2}).Text("d3").Words({0xffffffffu});
    const auto saveBoth = [&](TStream& stream) {
        list.Save(stream, WorldList::StateFlag, WorldList::StateFlag);
        list.SaveData(stream);
    };

    KorvelTest::TempFolder folder("worldgolden");
    for (const size_t prefixSize : {size_t(0), size_t(TStream::CacheSize - 10), size_t(TStream::CacheSize - 70)}) {
        std::vector<uint8_t> expected(prefixSize, uint8_t(0x5A));
        expected.insert(expected.end(), full.bytes.begin(), full.bytes.end());
        expected.insert(expected.end(), dataStream.bytes.begin(), dataStream.bytes.end());
        const std::vector<uint8_t> prefix(prefixSize, uint8_t(0x5A));

        TBuffer buffer;
        buffer.WriteBytes(prefix.data(), int64_t(prefix.size()));
        saveBoth(buffer);
        EXPECT_EQ(Bytes(buffer), expected) << "buffer, prefix " << prefixSize;

        // Small fields written one at a time gather the same bytes.
        TBuffer fieldByField;
        for (uint8_t byte : prefix)
            fieldByField.WriteUInt8(byte);
        saveBoth(fieldByField);
        EXPECT_EQ(Bytes(fieldByField), expected) << "field by field, prefix " << prefixSize;

        TBuffer underlying;
        underlying.WriteBytes(prefix.data(), int64_t(prefix.size()));
        {
            TSubFile window(underlying, 0, std::numeric_limits<int64_t>::max());
            window.MoveTo(int64_t(prefixSize));
            saveBoth(window);
        }
        EXPECT_EQ(Bytes(underlying), expected) << "window, prefix " << prefixSize;

        const std::string path = folder / "stream.bin";
        {
            TFile file;
            ASSERT_TRUE(file.Open(path.c_str(), Zel::File::ModeWrite));
            for (uint8_t byte : prefix)
                file.WriteUInt8(byte);
            saveBoth(file);
            EXPECT_FALSE(file.HasError());
        }
        const std::string written = KorvelTest::ReadFileText(path);
        EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.end()), expected) << "file, prefix " << prefixSize;

        TFile input;
        ASSERT_TRUE(input.Open(path.c_str(), Zel::File::ModeRead));
        input.MoveTo(int64_t(prefixSize));
        WorldList copy;
        EXPECT_TRUE(copy.Load(input, true, WorldList::StateFlag)) << prefixSize;
        copy.LoadData(input);
        EXPECT_TRUE(input.Eof()) << prefixSize;
        ASSERT_NE(At(copy, 0), nullptr);
        ASSERT_NE(At(copy, 3), nullptr);
        EXPECT_EQ(At(copy, 0)->payload_ + At(copy, 0)->state_, "abs0") << prefixSize;
        EXPECT_EQ(At(copy, 3)->state_ + At(copy, 3)->data_, "state3d3") << prefixSize;
    }
}

TEST(WorldPositions, NormalisingMovesWholeCellsIntoTheCellNumbers)
{
    struct Case {
        int16_t cell;
        float value;
        int16_t expectedCell;
        float expectedValue;
    };
    const Case cases[] = {
        {0, -10.0f, -1, 710.0f}, {0, 720.0f, 1, 0.0f},           {0, 0.0f, 0, 0.0f},      {5, 1500.0f, 7, 60.0f},
        {0, -1440.0f, -2, 0.0f}, {32767, 800.0f, -32768, 80.0f}, {0, 719.95f, 1, -0.05f},
    };
    for (const Case& c : cases) {
        WorldPosition position;
        position.cellX = c.cell;
        position.x = c.value;
        position.cellZ = c.cell;
        position.z = c.value;
        NormaliseWorldPosition(position);
        EXPECT_EQ(position.cellX, c.expectedCell) << c.value;
        EXPECT_NEAR(position.x, c.expectedValue, 0.01f) << c.value;
        EXPECT_EQ(position.cellZ, c.expectedCell) << c.value;
        EXPECT_EQ(position.normalised, 1);
    }
    WorldPosition odd;
    odd.x = std::numeric_limits<float>::infinity();
    odd.z = 1e30f;
    NormaliseWorldPosition(odd);
    EXPECT_EQ(odd.cellX, 0);
    EXPECT_EQ(odd.cellZ, 0);
}

TEST(WorldGrids, ItemsSitInEveryCellTheirExtentCovers)
{
    WorldList list;
    auto* wide = new BytesItem(OtherType, "");
    wide->extent_.cellX = 2;
    wide->extent_.cellZ = -1;
    wide->extent_.xMin = 700.0f;
    wide->extent_.xMax = 800.0f;  // into cell x 3
    wide->extent_.zMin = -5.0f;   // into cell z -2
    wide->extent_.zMax = 10.0f;
    auto* small = new BytesItem(OtherType, "");
    list.AddItem(small);
    list.CreateGrid();
    list.AddItem(wide);
    WorldGrid& grid = *list.GetGrid();
    EXPECT_EQ(grid.CellCount(), 5u);
    for (int16_t z : {-2, -1}) {
        for (int16_t x : {2, 3}) {
            const WorldGrid::Cell* cell = grid.FindCell(WorldGrid::CellKey(x, z));
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->count(wide), 1u);
        }
    }
    EXPECT_EQ(grid.GetCell(WorldGrid::CellKey(0, 0)).count(small), 1u);
    delete wide;
    EXPECT_EQ(grid.CellCount(), 1u);
    list.DeleteMasked(0, 0);
    EXPECT_EQ(grid.CellCount(), 0u);
}

}  // namespace
