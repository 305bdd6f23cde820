// Inserting items into the cells their extent covers and removing them again.
#include "scripthost/world_grid.h"

#include "scripthost/world_list_item.h"
#include "scripthost/world_position.h"

void WorldGrid::Insert(WorldListItem* item)
{
    const WorldExtent extent = item->GetExtent();
    WorldPosition low = WorldExtentCorners::GetMinCorner(extent);
    WorldPosition high = WorldExtentCorners::GetMaxCorner(extent);
    NormaliseWorldPosition(low);
    NormaliseWorldPosition(high);
    if (high.cellZ < low.cellZ)
        return;
    // Wider than int16 so that a range ending at 32767 terminates.
    for (int32_t z = low.cellZ; z <= high.cellZ; ++z) {
        for (int32_t x = low.cellX; x <= high.cellX; ++x)
            cells_[CellKey(int16_t(x), int16_t(z))].insert(item);
    }
}

void WorldGrid::Remove(WorldListItem* item)
{
    for (auto cell = cells_.begin(); cell != cells_.end();) {
        cell->second.erase(item);
        if (cell->second.empty())
            cell = cells_.erase(cell);
        else
            ++cell;
    }
}

const WorldGrid::Cell* WorldGrid::FindCell(uint32_t key) const
{
    auto found = cells_.find(key);
    return found == cells_.end() ? nullptr : &found->second;
}
