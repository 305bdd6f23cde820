// Engine bone of a skeleton: a name, a local placement, a small bounding box and owned children.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace Zel {

struct ParticleBone {
    std::string name;
    float position[3] = {0, 0, 0};
    float orientation[4] = {0, 0, 0, 1};  // quaternion x, y, z, w
    float boundsMin[3] = {-0.01f, -0.01f, -0.01f};
    float boundsMax[3] = {0.01f, 0.01f, 0.01f};
    ParticleBone* parent = nullptr;
    std::vector<std::unique_ptr<ParticleBone>> children;

    ParticleBone* Add(std::unique_ptr<ParticleBone> child)
    {
        child->parent = this;
        children.push_back(std::move(child));
        return children.back().get();
    }
    // Depth-first, this bone first.
    const ParticleBone* FindByName(const std::string& wanted) const
    {
        if (name == wanted)
            return this;
        for (const auto& child : children) {
            if (const ParticleBone* found = child->FindByName(wanted))
                return found;
        }
        return nullptr;
    }
};

}  // namespace Zel
