// The build comparisons of the template checks.
#include "templates/dod_build_numbers.h"

#include <cmath>

namespace DODLib {

float CheckBuildFromConfigValue(float korvelBuild)
{
    return korvelBuild + 0.001f;
}

int TruncatedBuild(float build)
{
    return int(build * 100.0f);
}

int RoundedBuild(float build)
{
    return int(build * 100.0f + 0.1f);
}

bool IsBefore31Untruncated(float build)
{
    return build * 100.0f < 310.0f;
}

bool AllowsCommentTags(float build)
{
    return build < 2.5f;
}

bool SkipsArraySizeCheck(float build)
{
    return build < 2.89f;
}

bool NeedsConfigUpgrade(float build)
{
    return std::trunc(double(build) * 100.0) < 290.0;
}

}  // namespace DODLib
