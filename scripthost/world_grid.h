// The spatial grid of a world list: for every 720-unit cell, the items whose extent covers it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>

class WorldListItem;

class WorldGrid {
public:
    using Cell = std::set<WorldListItem*>;

    // Cell x in the low 16 bits, cell z in the high 16 bits.
    static uint32_t CellKey(int16_t cellX, int16_t cellZ)
    {
        return uint32_t(uint16_t(cellX)) | (uint32_t(uint16_t(cellZ)) << 16);
    }

    void Insert(WorldListItem* item);
    void Remove(WorldListItem* item);
    void Clear() { cells_.clear(); }
    // Created empty when absent.
    Cell& GetCell(uint32_t key) { return cells_[key]; }
    const Cell* FindCell(uint32_t key) const;
    size_t CellCount() const { return cells_.size(); }

private:
    std::map<uint32_t, Cell> cells_;
};
