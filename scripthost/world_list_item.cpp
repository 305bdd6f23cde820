// The do-nothing bases of world items, and an item leaving its list when destroyed.
#include "scripthost/world_list_item.h"

#include "scripthost/world_list.h"

void WorldBaseItem::Load(TStream&) {}
void WorldBaseItem::Save(TStream&) {}
void WorldBaseItem::Update() {}
uint32_t WorldBaseItem::GetFlags()
{
    return 1;
}
void WorldBaseItem::Notify(int32_t, uint32_t) {}
void WorldBaseItem::ReadState(TStream&) {}
void WorldBaseItem::WriteState(TStream&) {}
void WorldBaseItem::ReadData(TStream&) {}
void WorldBaseItem::WriteData(TStream&) {}

WorldListItem::~WorldListItem()
{
    if (owner_ != nullptr)
        owner_->RemoveItem(this);
}

KUID WorldListItem::GetKUID()
{
    return KUID();
}

void WorldListItem::OnAdded() {}
void WorldListItem::OnRemoved() {}

WorldExtent WorldListItem::GetExtent()
{
    WorldExtent extent;
    InitWorldExtent(extent);
    return extent;
}

void WorldListItem::KeepIndex(WorldListItem* item)
{
    item->keepsIndex_ = true;
}

bool WorldListItem::KeepsIndex(const WorldListItem* item)
{
    return item->keepsIndex_;
}
