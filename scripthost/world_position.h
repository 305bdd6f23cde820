// World positions and item extents: cells of 720 units and the normalising of a position into its cell.
#pragma once

#include <cstdint>

// A cell and an offset inside it; normalised = 1 once the offsets are in [0, 720).
struct WorldPosition {
    int16_t cellX = 0;
    int16_t cellZ = 0;
    float x = 0.0f;
    float z = 0.0f;
    float height = 0.0f;
    uint8_t normalised = 0;
};

// The box an item covers, relative to one cell.
struct WorldExtent {
    uint8_t kind = 1;
    int16_t cellX = 0;
    int16_t cellZ = 0;
    float xMin = 0.0f;
    float xMax = 0.0f;
    float zMin = 0.0f;
    float zMax = 0.0f;
    float heightMin = 0.0f;
    float heightMax = 0.0f;
};

constexpr float WorldCellSize = 720.0f;

// Moves whole cells out of x and z into the cell numbers (16-bit wrap-around)
// and sets the normalised byte.
void NormaliseWorldPosition(WorldPosition& position);

void InitWorldExtent(WorldExtent& extent);

namespace WorldExtentCorners {
WorldPosition GetMinCorner(const WorldExtent& extent);
WorldPosition GetMaxCorner(const WorldExtent& extent);
}  // namespace WorldExtentCorners
