// WorldList slots: adding, placing and removing items, clearing, and the flag walks.
#include "scripthost/world_list.h"

#include <new>

WorldList::~WorldList()
{
    Clear();
}

int32_t WorldList::CountItems() const
{
    int32_t count = 0;
    for (int32_t i = 0; i < slotCount_; ++i)
        count += GetItem(i) != nullptr ? 1 : 0;
    return count;
}

bool WorldList::GrowBlocks(size_t count)
{
    try {
        blocks_.resize(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void WorldList::SetSlotInNewBlock(int32_t index, WorldListItem* item)
{
    Block& block = blocks_[size_t(index) / BlockSize];
    block.reset(new WorldListItem*[BlockSize]());
    block[size_t(index) % BlockSize] = item;
}

int32_t WorldList::AddItem(WorldListItem* item)
{
    if (item->owner_ != nullptr)
        return -1;
    int32_t index = nextEven_;
    while (index < slotCount_ && (GetItem(index) != nullptr || reserved_.count(index) != 0))
        index += 2;
    if (index >= slotCount_) {
        index = slotCount_ + (slotCount_ & 1);
        if (!GrowSlots(int64_t(slotCount_) + 2))
            return -1;
        // An odd slot count (after AddItemAt) leaves the even index one further.
        if (index >= slotCount_ && !GrowSlots(int64_t(index) + 1))
            return -1;
    }
    nextEven_ = index + 2;
    Place(index, item);
    return index;
}

void WorldList::RemoveItem(WorldListItem* item)
{
    if (item->owner_ != this)
        return;
    if (grid_)
        grid_->Remove(item);
    item->OnRemoved();
    const int32_t index = item->index_;
    SetSlot(index, nullptr);
    item->owner_ = nullptr;
    item->index_ = -1;
    if (WorldListItem::KeepsIndex(item))
        reserved_.insert(index);
    else if ((index & 1) == 0 && index < nextEven_)
        nextEven_ = index;
    else if ((index & 1) != 0 && index < nextOdd_)
        nextOdd_ = index;
}

void WorldList::Clear()
{
    if (grid_)
        grid_->Clear();
    for (int32_t i = 0; i < slotCount_; ++i) {
        if (WorldListItem* item = GetItem(i))
            delete item;
    }
    blocks_.clear();
    slotCount_ = 0;
    nextEven_ = 0;
    nextOdd_ = 1;
    reserved_.clear();
}

void WorldList::Update()
{
    for (int32_t i = 0; i < slotCount_; ++i) {
        if (WorldListItem* item = GetItem(i))
            item->Update();
    }
}

void WorldList::NotifyMasked(int32_t value, uint32_t flags)
{
    const uint32_t wanted = flags | 1;
    for (int32_t i = 0; i < slotCount_; ++i) {
        WorldListItem* item = GetItem(i);
        if (item != nullptr && (item->GetFlags() & wanted) == wanted)
            item->Notify(value, wanted);
    }
}

void WorldList::DeleteMasked(uint32_t mask, uint32_t value)
{
    if (mask == 0 && grid_)
        grid_->Clear();
    for (int32_t i = 0; i < slotCount_; ++i) {
        WorldListItem* item = GetItem(i);
        // The item's destructor empties its slot.
        if (item != nullptr && (item->GetFlags() & mask) == (value & mask))
            delete item;
    }
}

void WorldList::CreateGrid()
{
    if (grid_)
        return;
    grid_ = std::make_unique<WorldGrid>();
    for (int32_t i = 0; i < slotCount_; ++i) {
        if (WorldListItem* item = GetItem(i))
            grid_->Insert(item);
    }
}
