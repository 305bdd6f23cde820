// Fuzz target: the ".kin" animation reader over any bytes; an animation that reads writes back to bytes that read to the same animation.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "zel/kin_animation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Zel::KinAnimation animation;
    const int result = Zel::ReadKinAnimation(data, size, animation);
    if (result != Zel::KinOk) {
        if (!animation.bones.empty() || !animation.keys.empty())
            std::abort();
        return 0;
    }
    if (animation.keys.size() != animation.frameCount * animation.bones.size())
        std::abort();
    const std::vector<uint8_t> written = Zel::WriteKinAnimation(animation);
    Zel::KinAnimation again;
    if (Zel::ReadKinAnimation(written.data(), written.size(), again) != Zel::KinOk)
        std::abort();
    if (Zel::WriteKinAnimation(again) != written)
        std::abort();
    return 0;
}
