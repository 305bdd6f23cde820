// NamedBoneTree: a skeleton grown from bone records that name their parent, each parent found by name in depth-first order.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

#include "zel/particle_bone.h"

class NamedBoneTree {
public:
    // A bone this many links below the root is refused. The indexed reader
    // refuses the same depth in its own skeletons, so every skeleton a level
    // can carry fits; a deeper one is a damaged or hostile file, and the
    // walks over a skeleton stay shallow enough for any stack.
    static constexpr size_t kMaxDepth = 256;

    enum class Result { Added, NoRoot, TooDeep };

    // Grows root, which may already hold bones (they are found by name too).
    explicit NamedBoneTree(std::unique_ptr<Zel::ParticleBone>& root);

    // An empty parent name makes bone the root, or a child of the root once
    // there is one. Otherwise bone becomes a child of the first bone of that
    // name, depth-first from the root, this bone before its children and
    // children in the order they were added (Zel::ParticleBone::FindByName's
    // answer), or of the root when no bone has the name; NoRoot before there
    // is a root. Each look-up is one hash probe, not a walk of the tree.
    Result Add(std::unique_ptr<Zel::ParticleBone> bone, const std::string& parentName);

private:
    struct Place {
        const Zel::Particle* parent = nullptr;
        size_t index = 0;  // among the parent's children
        size_t depth = 0;
    };

    void Remember(Zel::Particle* node, const Zel::Particle* parent, size_t index, size_t depth);
    // Whether a comes before b depth-first. A new bone is always a last
    // child, so the order of the nodes already placed never changes, and a
    // name's first bone changes only when a bone of that name is added.
    bool Precedes(const Zel::Particle* a, const Zel::Particle* b) const;

    std::unique_ptr<Zel::ParticleBone>& root_;
    std::unordered_map<const Zel::Particle*, Place> places_;
    std::unordered_map<std::string, Zel::ParticleBone*> firstByName_;
};
