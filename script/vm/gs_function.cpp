// GSFunction::LineOf: the line table of a function, searched by halving.
#include "script/vm/gs_function.h"

namespace GSRuntime {

int32_t GSFunction::LineOf(uint32_t position) const
{
    const uint32_t count = lines.size();
    if (count == 0)
        return -1;
    // The pairs ascend by position: find the last one not above `position`.
    uint32_t low = 0;
    uint32_t high = count;
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        if (lines[middle].position <= position)
            low = middle + 1;
        else
            high = middle;
    }
    return static_cast<int32_t>(lines[low == 0 ? 0 : low - 1].line);
}

}  // namespace GSRuntime
