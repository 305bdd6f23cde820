// The headless display's capability set and default vertex colour, as loading asks for them.
#pragma once

#include <cstdint>
#include <set>

namespace Zel {

// Default {1, 17, 21}: the bump materials need 17 and 21, "tglossrust" 1.
// Capability 29 (skinning on the display) stays off: product chunk
// templates lack the blend streams, so turning it on breaks skinned loads.
class DisplayCapabilities {
public:
    bool GetCapability(int capability) const { return capabilities_.count(capability) != 0; }
    void SetCapability(int capability, bool on)
    {
        if (on)
            capabilities_.insert(capability);
        else
            capabilities_.erase(capability);
    }
    // Texture stages the display draws with (1..8; default 8).
    int GetNumTextureStages() const { return textureStages_; }
    void SetNumTextureStages(int stages) { textureStages_ = stages < 1 ? 1 : (stages > 8 ? 8 : stages); }
    bool HasHardwareBuffers() const { return hardwareBuffers_; }
    void SetHardwareBuffers(bool on) { hardwareBuffers_ = on; }
    uint32_t GetDefaultVertexColour() const { return 0xFFFFFFFFu; }
    // Colours are stored as the file gives them.
    void ConvertColorArray(uint32_t*, uint32_t) const {}

private:
    std::set<int> capabilities_{1, 17, 21};
    int textureStages_ = 8;
    bool hardwareBuffers_ = true;
};

}  // namespace Zel
