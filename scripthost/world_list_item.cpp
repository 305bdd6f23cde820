// The do-nothing bases of world items, and an item leaving its list when destroyed.
#include "scripthost/world_list_item.h"

#include <set>

#include "scripthost/world_list.h"

namespace {

// Nothing in the program fills it; hosts may.
std::set<const WorldListItem*>& KeepIndexItems()
{
    static std::set<const WorldListItem*> items;
    return items;
}

}  // namespace

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
    KeepIndexItems().erase(this);
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
    KeepIndexItems().insert(item);
}

bool WorldListItem::KeepsIndex(const WorldListItem* item)
{
    return KeepIndexItems().count(item) != 0;
}
