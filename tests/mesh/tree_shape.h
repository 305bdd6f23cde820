// Test helper: a scene tree in a comparable form, depth-first, each node's name and the position of its parent.
#pragma once

#include <string>
#include <vector>

#include "zel/particle.h"

namespace KorvelTest {

// "name<k" per node depth-first, k the position of its parent in that order
// (the node count for the top node).
inline std::vector<std::string> TreeShape(const Zel::Particle& top)
{
    std::vector<const Zel::Particle*> nodes = top.EnumerateParticles();
    std::vector<std::string> shape;
    for (const Zel::Particle* node : nodes) {
        size_t parent = 0;
        while (parent < nodes.size() && nodes[parent] != node->parent)
            ++parent;
        shape.push_back(node->name + "<" + std::to_string(parent));
    }
    return shape;
}

}  // namespace KorvelTest
