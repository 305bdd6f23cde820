// NamedBoneTree: adding bones under parents found by name, and the depth-first order of two placed nodes.
#include "mesh/named_bone_tree.h"

#include <vector>

NamedBoneTree::NamedBoneTree(std::unique_ptr<Zel::ParticleBone>& root) : root_(root)
{
    if (!root_)
        return;
    // Depth-first: a name's first bone is the first one popped, and each
    // node's place is known before its children's.
    Remember(root_.get(), nullptr, 0, 0);
    std::vector<Zel::Particle*> pending{root_.get()};
    while (!pending.empty()) {
        Zel::Particle* node = pending.back();
        pending.pop_back();
        if (auto* bone = dynamic_cast<Zel::ParticleBone*>(node))
            firstByName_.emplace(bone->name, bone);
        const auto& children = node->GetChildren();
        for (size_t i = 0; i < children.size(); ++i)
            Remember(children[i].get(), node, i, places_[node].depth + 1);
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back(child->get());
    }
}

void NamedBoneTree::Remember(Zel::Particle* node, const Zel::Particle* parent, size_t index, size_t depth)
{
    places_[node] = {parent, index, depth};
}

NamedBoneTree::Result NamedBoneTree::Add(std::unique_ptr<Zel::ParticleBone> bone, const std::string& parentName)
{
    Zel::ParticleBone* parent = root_.get();
    if (parentName.empty()) {
        if (!root_) {
            root_ = std::move(bone);
            Remember(root_.get(), nullptr, 0, 0);
            firstByName_.emplace(root_->name, root_.get());
            return Result::Added;
        }
    } else {
        if (!root_)
            return Result::NoRoot;
        auto found = firstByName_.find(parentName);
        if (found != firstByName_.end())
            parent = found->second;
    }
    const size_t depth = places_[parent].depth + 1;
    if (depth >= kMaxDepth)
        return Result::TooDeep;
    const size_t index = parent->GetChildren().size();
    Zel::ParticleBone* added = parent->Add(std::move(bone));
    Remember(added, parent, index, depth);
    auto [first, fresh] = firstByName_.emplace(added->name, added);
    if (!fresh && Precedes(added, first->second))
        first->second = added;
    return Result::Added;
}

bool NamedBoneTree::Precedes(const Zel::Particle* a, const Zel::Particle* b) const
{
    if (a == b)
        return false;
    Place placeA = places_.at(a);
    Place placeB = places_.at(b);
    const size_t depthA = placeA.depth;
    const size_t depthB = placeB.depth;
    // Up to the same depth: an ancestor comes before everything below it.
    while (placeA.depth > placeB.depth) {
        a = placeA.parent;
        placeA = places_.at(a);
    }
    while (placeB.depth > placeA.depth) {
        b = placeB.parent;
        placeB = places_.at(b);
    }
    if (a == b)
        return depthA < depthB;
    // Up to the children of one parent: the earlier child comes first.
    while (placeA.parent != placeB.parent) {
        a = placeA.parent;
        b = placeB.parent;
        placeA = places_.at(a);
        placeB = places_.at(b);
    }
    return placeA.index < placeB.index;
}
