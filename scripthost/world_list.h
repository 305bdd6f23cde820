// WorldList: the indexed container of world items with flag walks, streams, factories and an optional grid.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "scripthost/world_grid.h"
#include "scripthost/world_list_item.h"

class TStream;

// Owns its items: Clear, DeleteMasked and the destructor delete them.
class WorldList : public WorldBaseItem {
public:
    static constexpr int32_t BlockSize = 1024;
    // Record lengths above this end a load.
    static constexpr uint32_t LengthCap = 0xffffff;
    // Stored indices above this end a load: every slot below an index exists,
    // so a hostile index would otherwise make the list walk billions of slots.
    static constexpr int32_t IndexCap = 0xffffff;
    static constexpr int32_t FullStreamVersion = 5;
    static constexpr int32_t DataStreamVersion = 1;
    // Items saved and loaded with their states.
    static constexpr uint32_t StateFlag = 0x04;

    WorldList() = default;
    WorldList(const WorldList&) = delete;
    WorldList& operator=(const WorldList&) = delete;
    ~WorldList() override;

    // The index, or -1 when the item already belongs to a list.
    int32_t AddItem(WorldListItem* item);
    // Inline: a load places every item it makes here.
    bool AddItemAt(int32_t index, WorldListItem* item)
    {
        if (index < 0 || item->owner_ != nullptr || GetItem(index) != nullptr)
            return false;
        if (!GrowSlots(int64_t(index) + 1))
            return false;
        Place(index, item);
        return true;
    }
    void RemoveItem(WorldListItem* item);
    void Clear();

    void Update() override;
    void Notify(int32_t value, uint32_t flags) override { NotifyMasked(value, flags); }
    void NotifyMasked(int32_t value, uint32_t flags);
    void ReadData(TStream& stream) override { LoadData(stream); }
    void WriteData(TStream& stream) override { SaveData(stream); }
    void SaveData(TStream& stream);
    void LoadData(TStream& stream);

    // The item-level forms stay reachable beside the list's own.
    using WorldBaseItem::Load;
    using WorldBaseItem::Save;

    // Saves the items whose flags and mask equal value and mask.
    virtual void Save(TStream& stream, uint32_t mask, uint32_t value);
    // False when the stream held an unknown version or a bad record; the
    // items read before it stay.
    virtual bool Load(TStream& stream, bool clearFirst, uint32_t flags);
    virtual void DeleteMasked(uint32_t mask, uint32_t value);

    // Inline: every load and add asks it of the slot it fills.
    WorldListItem* GetItem(int32_t index) const
    {
        if (index < 0 || index >= slotCount_)
            return nullptr;
        WorldListItem* const* block = blocks_[size_t(index) / BlockSize].get();
        return block != nullptr ? block[size_t(index) % BlockSize] : nullptr;
    }
    // Calls visit(index, item) for every item in index order; the visit
    // must not add or remove items.
    template <class Visit>
    void ForEachItem(Visit visit) const
    {
        // Block by block: a list filled by AddItem has every other slot empty.
        for (size_t b = 0; b < blocks_.size(); ++b) {
            const WorldListItem* const* block = blocks_[b].get();
            const int32_t first = int32_t(b) * BlockSize;
            const int32_t count = std::min(BlockSize, slotCount_ - first);
            for (int32_t i = 0; block != nullptr && i < count; ++i) {
                if (block[i] != nullptr)
                    visit(first + i, const_cast<WorldListItem*>(block[i]));
            }
        }
    }
    int32_t GetSlotCount() const { return slotCount_; }
    int32_t CountItems() const;

    int32_t GetListId() const { return listId_; }
    void SetListId(int32_t id) { listId_ = id; }
    void* GetFactoryContext() const { return factoryContext_; }
    void SetFactoryContext(void* context) { factoryContext_ = context; }

    // Makes the grid (with the items already held); null without one.
    void CreateGrid();
    WorldGrid* GetGrid() const { return grid_.get(); }

    // For the host; the list does not use it.
    std::vector<void*>& HostData() { return hostData_; }

private:
    using Block = std::unique_ptr<WorldListItem*[]>;

    void SetSlot(int32_t index, WorldListItem* item)
    {
        Block& block = blocks_[size_t(index) / BlockSize];
        if (block)
            block[size_t(index) % BlockSize] = item;
        else if (item != nullptr)
            SetSlotInNewBlock(index, item);
    }
    // Apart, as is every allocation here, so that the common paths stay small
    // enough to be inlined.
    void SetSlotInNewBlock(int32_t index, WorldListItem* item);
    // Makes the slot count at least count; false on an allocation failure.
    bool GrowSlots(int64_t count)
    {
        if (count <= slotCount_)
            return true;
        if (count > int64_t(IndexCap) + 2)
            return false;
        const size_t blocks = size_t((count + BlockSize - 1) / BlockSize);
        // A load places one index after another: most growth stays in the last block.
        if (blocks > blocks_.size() && !GrowBlocks(blocks))
            return false;
        slotCount_ = int32_t(count);
        return true;
    }
    bool GrowBlocks(size_t count);
    void Place(int32_t index, WorldListItem* item)
    {
        SetSlot(index, item);
        item->owner_ = this;
        item->index_ = index;
        item->OnAdded();
        if (grid_)
            grid_->Insert(item);
    }
    // Reads one record of a full stream; false ends the load.
    bool LoadRecord(TStream& stream, int32_t index, int32_t version, int64_t streamEnd);
    bool LoadUnsizedRecord(TStream& stream, int32_t index);
    // False when the block reaches past the end of the stream.
    bool ReadStateBlock(TStream& stream, int64_t streamEnd);
    // The item at an index of this type, else null (deleting another type
    // there). Inline, as is Adopt: a load asks it of every record.
    WorldListItem* ReplaceableItem(int32_t index, uint32_t typeId)
    {
        WorldListItem* existing = GetItem(index);
        if (existing != nullptr && existing->GetTypeId() == typeId)
            return existing;
        delete existing;
        return nullptr;
    }
    // Places a made item at the index and returns it; null (the item
    // deleted) when it is no list item or cannot be placed there. Always
    // inlined: a load calls it for every record, and a call of its own costs
    // as much as its work.
    [[gnu::always_inline]] WorldListItem* Adopt(int32_t index, WorldFactoryItem* made)
    {
        WorldListItem* item = made->AsWorldListItem();
        if (item == nullptr) {
            delete made;
            return nullptr;
        }
        if (!AddItemAt(index, item)) {
            delete item;
            return nullptr;
        }
        return item;
    }

    // Blocks are made when a slot in them is first stored, so empty slots
    // below the count cost nothing.
    std::vector<Block> blocks_;
    int32_t slotCount_ = 0;
    void* factoryContext_ = nullptr;
    std::unique_ptr<WorldGrid> grid_;
    int32_t listId_ = -1;
    std::vector<void*> hostData_;
    int32_t nextEven_ = 0;
    int32_t nextOdd_ = 1;
    std::set<int32_t> reserved_;
};
