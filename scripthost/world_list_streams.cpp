// WorldList streams: the data stream, the full stream and its state block, all read as untrusted input.
#include "scripthost/world_list.h"

#include <algorithm>

#include "foundation/streams/t_stream.h"
#include "foundation/streams/t_sub_file.h"
#include "scripthost/world_item_factory.h"

namespace {

constexpr int32_t EndOfRecords = -1;
constexpr uint32_t Marker = TStream::BlockPlaceholder;
// Type id of the records of an untyped (version 0) state block.
constexpr uint32_t UntypedState = 0x20202020u;

// Calls write(index, item) for every item whose flags and mask equal value and mask, in index order.
template <class Write>
void ForSelected(const WorldList& list, uint32_t mask, uint32_t value, Write write)
{
    list.ForEachItem([&](int32_t index, WorldListItem* item) {
        // Mask 0 selects every item without asking for its flags.
        if (mask == 0 || (item->GetFlags() & mask) == (value & mask))
            write(index, item);
    });
}

// The end of a block of the given length starting at start; lengths are
// unsigned words, and a block never reaches past the enclosing end.
int64_t BlockEnd(int64_t start, uint32_t length, int64_t enclosingEnd)
{
    return std::min(start + int64_t(length), enclosingEnd);
}

}  // namespace

// Data stream: [length][marker][version 1] then {index, [length] data} ... -1.
void WorldList::SaveData(TStream& stream)
{
    TStream::WriteRun run(stream);
    const int64_t outer = stream.BeginBlock();
    stream.WriteUInt32(Marker);
    stream.WriteInt32(DataStreamVersion);
    for (int32_t i = 0; i < slotCount_; ++i) {
        WorldListItem* item = GetItem(i);
        if (item == nullptr || item->GetTypeId() != WorldTypeDataItem)
            continue;
        stream.WriteInt32(i);
        const int64_t record = stream.BeginBlock();
        item->WriteData(stream);
        stream.EndBlock(record);
    }
    stream.WriteInt32(EndOfRecords);
    stream.EndBlock(outer);
}

void WorldList::LoadData(TStream& stream)
{
    const int64_t streamEnd = stream.Size();
    const uint32_t outerLength = stream.ReadUInt32(0);
    const int64_t outerStart = stream.Tell();
    const int64_t outerEnd = BlockEnd(outerStart, outerLength, streamEnd);
    if (outerLength != Marker && stream.ReadUInt32(0) == Marker &&
        stream.ReadInt32(DataStreamVersion + 1) <= DataStreamVersion) {
        for (;;) {
            const int32_t index = stream.ReadInt32(EndOfRecords);
            if (index < 0 || index >= slotCount_)
                break;
            const uint32_t length = stream.ReadUInt32(Marker);
            if (length == Marker)
                break;
            const int64_t recordStart = stream.Tell();
            if (recordStart + int64_t(length) > outerEnd)
                break;
            const int64_t recordEnd = recordStart + int64_t(length);
            WorldListItem* item = GetItem(index);
            if (item != nullptr && item->GetTypeId() == WorldTypeDataItem) {
                TSubFile window(stream, recordStart, recordEnd, recordStart, TSubFile::ShareHeld);
                if (window.IsOpen())
                    item->ReadData(window);
            }
            if (stream.MoveTo(recordEnd) != recordEnd && stream.Tell() != recordEnd)
                break;
        }
    }
    stream.MoveTo(outerEnd);
}

// Full stream: version, list id, item records, -1, then the state block.
void WorldList::Save(TStream& stream, uint32_t mask, uint32_t value)
{
    // A record is a handful of small fields: gathered, they reach the stream's
    // object a block at a time.
    TStream::WriteRun run(stream);
    stream.WriteInt32(FullStreamVersion);
    stream.WriteInt32(listId_);
    ForSelected(*this, mask, value, [&](int32_t index, WorldListItem* item) {
        // The index, type, KUID and block placeholder, staged at once when
        // they fit, else written one at a time.
        const uint32_t typeId = item->GetTypeId();
        const KUID::Packed kuid = item->GetKUID().Pack();
        const uint32_t head[5] = {uint32_t(index), typeId, kuid.second, kuid.first, Marker};
        int64_t record = stream.WriteStagedUInt32s(head);
        if (record >= 0) {
            record += int64_t(sizeof head) - 4;  // the placeholder is the last word
        } else {
            stream.WriteInt32(index);
            stream.WriteUInt32(typeId);
            stream.WriteInt32(int32_t(kuid.second));
            stream.WriteInt32(int32_t(kuid.first));
            record = stream.BeginBlock();
        }
        {
            CurrentWorldItemScope current(listId_, CurrentWorldItemKUID(), CurrentWorldFactoryContext());
            item->Save(stream);
        }
        stream.EndBlock(record);
    });
    stream.WriteInt32(EndOfRecords);

    const int64_t states = stream.BeginBlock();
    stream.WriteUInt32(Marker);
    stream.WriteInt32(FullStreamVersion);
    stream.WriteInt32(listId_);
    if ((mask & value & StateFlag) != 0) {
        ForSelected(*this, mask, value, [&](int32_t index, WorldListItem* item) {
            stream.WriteInt32(index);
            stream.WriteUInt32(item->GetTypeId());
            const int64_t record = stream.BeginBlock();
            item->WriteState(stream);
            stream.EndBlock(record);
        });
    }
    stream.WriteInt32(EndOfRecords);
    stream.EndBlock(states);
}

bool WorldList::Load(TStream& stream, bool clearFirst, uint32_t flags)
{
    if (clearFirst)
        Clear();
    const int64_t streamEnd = stream.Size();
    const int32_t version = stream.ReadInt32(0);
    if (version < 1 || version > FullStreamVersion)
        return false;
    const int32_t ownId = listId_;
    if (version >= 5)
        listId_ = stream.ReadInt32(-1);
    bool whole = true;
    if (version >= 2) {
        for (;;) {
            const int32_t index = stream.ReadInt32(EndOfRecords);
            if (index == EndOfRecords && !stream.HasError())
                break;
            if (index < 0 || index > IndexCap || !LoadRecord(stream, index, version, streamEnd)) {
                whole = false;
                break;
            }
        }
    }
    listId_ = ownId;
    if (!whole || version < 4)
        return whole;
    if ((flags & StateFlag) != 0)
        return ReadStateBlock(stream, streamEnd) && !stream.HasError();
    const uint32_t length = stream.ReadUInt32(0);
    const int64_t blockStart = stream.Tell();
    stream.MoveTo(BlockEnd(blockStart, length, streamEnd));
    return !stream.HasError() && blockStart + int64_t(length) <= streamEnd;
}

// A version 2 record, whose index was read: without a length nothing can be
// skipped, so an unknown type ends the load.
bool WorldList::LoadUnsizedRecord(TStream& stream, int32_t index)
{
    const uint32_t typeId = stream.ReadUInt32(0);
    if (stream.HasError())
        return false;
    if (WorldListItem* existing = ReplaceableItem(index, typeId)) {
        existing->Load(stream);
        return !stream.HasError();
    }
    WorldFactoryItem* made = WorldItemFactory::CreateByType(typeId, factoryContext_, stream);
    if (made == nullptr)
        return false;
    Adopt(index, made);
    return !stream.HasError();
}

// The index was read; the rest of the record follows.
bool WorldList::LoadRecord(TStream& stream, int32_t index, int32_t version, int64_t streamEnd)
{
    if (version == 2)
        return LoadUnsizedRecord(stream, index);
    // The type, the KUID's two words and the length: read at once when the
    // stream has them at hand, else one at a time, each with its default.
    uint32_t head[4];
    if (stream.HasError() || !stream.ReadHeldUInt32s(head)) {
        head[0] = stream.ReadUInt32(0);
        head[1] = stream.ReadUInt32(0xffffffffu);
        head[2] = stream.ReadUInt32(0xffffffffu);
        head[3] = stream.ReadUInt32(0xffffffffu);
    }
    const uint32_t typeId = head[0];
    const KUID kuid = KUID::Unpack(head[2], head[1]);
    const uint32_t length = head[3];
    if (stream.HasError() || length > LengthCap)
        return false;
    const int64_t recordStart = stream.Tell();
    const int64_t recordEnd = recordStart + int64_t(length);
    WorldListItem* loaded = nullptr;
    {
        CurrentWorldItemScope current(listId_, kuid, factoryContext_);
        TSubFile window(stream, recordStart, std::min(recordEnd, streamEnd), recordStart, TSubFile::ShareHeld);
        if (WorldListItem* existing = ReplaceableItem(index, typeId)) {
            existing->Load(window);
            loaded = existing;
        } else if (WorldFactoryItem* made = WorldItemFactory::CreateByType(typeId, factoryContext_, window)) {
            loaded = Adopt(index, made);
        }
    }
    // A record cut short by the end of the stream is not kept.
    if (recordEnd > streamEnd) {
        delete loaded;
        return false;
    }
    if (stream.MoveTo(recordEnd) != recordEnd && stream.Tell() != recordEnd) {
        delete loaded;
        return false;
    }
    return true;
}

bool WorldList::ReadStateBlock(TStream& stream, int64_t streamEnd)
{
    const uint32_t length = stream.ReadUInt32(0);
    const int64_t blockStart = stream.Tell();
    const int64_t blockEnd = BlockEnd(blockStart, length, streamEnd);
    int32_t version = 0;
    if (stream.ReadUInt32(0) == Marker) {
        version = stream.ReadInt32(0);
    } else {
        stream.MoveTo(blockStart);
    }
    if (version >= 0 && version <= FullStreamVersion) {
        if (version >= 2)
            stream.ReadInt32(-1);
        for (;;) {
            const int32_t index = stream.ReadInt32(EndOfRecords);
            if (index < 0)
                break;
            const uint32_t typeId = version == 0 ? UntypedState : stream.ReadUInt32(0);
            if (index >= slotCount_)
                break;
            const uint32_t recordLength = stream.ReadUInt32(Marker);
            if (recordLength == Marker || recordLength == 0xffffffffu)
                break;
            const int64_t recordStart = stream.Tell();
            const int64_t recordEnd = recordStart + int64_t(recordLength);
            if (recordEnd > blockEnd)
                break;
            WorldListItem* item = GetItem(index);
            if (item != nullptr && item->GetTypeId() == typeId) {
                TSubFile window(stream, recordStart, recordEnd, recordStart, TSubFile::ShareHeld);
                item->ReadState(window);
            }
            if (stream.MoveTo(recordEnd) != recordEnd && stream.Tell() != recordEnd)
                break;
        }
    }
    stream.MoveTo(blockEnd);
    // A block cut short by the end of the stream is a damaged stream.
    return blockStart + int64_t(length) <= streamEnd;
}
