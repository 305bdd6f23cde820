// Flattening texture-stage argument sets into the display's settings.
#include "mesh/texture_stage_args.h"

namespace Zel {
namespace {

void Append(StageStateSettings& settings, int base, const TextureArgs& set)
{
    settings.emplace_back(base + 0, set.stage);
    settings.emplace_back(base + 1, set.count);
    settings.emplace_back(base + 2, set.mode);
    settings.emplace_back(base + 3, set.function);
    for (int i = 0; i < 4; ++i) {
        settings.emplace_back(base + 4 + i * 3, set.args[i].flag);
        settings.emplace_back(base + 5 + i * 3, set.args[i].value1);
        settings.emplace_back(base + 6 + i * 3, set.args[i].value2);
    }
}

}  // namespace

StageStateSettings MakeStageStateSettings(const TextureArgs& colour, const TextureArgs& alpha)
{
    StageStateSettings settings;
    Append(settings, 0, colour);
    Append(settings, 100, alpha);
    return settings;
}

}  // namespace Zel
