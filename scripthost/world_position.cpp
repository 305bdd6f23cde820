// Normalising world positions into their 720-unit cells, and the corners of an extent.
#include "scripthost/world_position.h"

#include <cmath>

namespace {

// The cell step of one coordinate. Both constants are single precision on
// purpose: the small bias decides which cell a value just under a boundary
// falls into, and stored positions depend on it.
int32_t CellStep(float value)
{
    const float scaled = value * 0.0013888889f + 0.0001f;
    // A non-finite or enormous coordinate has no meaningful cell; converting
    // it to an integer would be undefined.
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 2147483520.0f)
        return 0;
    int32_t step = int32_t(scaled);
    if (value < 0.0f)
        step -= 1;
    return step;
}

void Normalise(int16_t& cell, float& value)
{
    const int32_t step = CellStep(value);
    cell = int16_t(uint16_t(uint32_t(cell) + uint32_t(step)));
    value -= float(step) * WorldCellSize;
}

}  // namespace

void NormaliseWorldPosition(WorldPosition& position)
{
    Normalise(position.cellX, position.x);
    Normalise(position.cellZ, position.z);
    position.normalised = 1;
}

void InitWorldExtent(WorldExtent& extent)
{
    extent = WorldExtent{};
}

namespace WorldExtentCorners {

WorldPosition GetMinCorner(const WorldExtent& extent)
{
    return WorldPosition{extent.cellX, extent.cellZ, extent.xMin, extent.zMin, extent.heightMin, 0};
}

WorldPosition GetMaxCorner(const WorldExtent& extent)
{
    return WorldPosition{extent.cellX, extent.cellZ, extent.xMax, extent.zMax, extent.heightMax, 0};
}

}  // namespace WorldExtentCorners
