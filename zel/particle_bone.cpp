// Zel::ParticleBone: bone-only searches and the walk over a bone's bone children.
#include "zel/particle_bone.h"

namespace Zel {

ParticleBone::ParticleBone()
{
    SetBoundingBox({-0.01f, -0.01f, -0.01f}, {0.01f, 0.01f, 0.01f});
}

ParticleBone::ParticleBone(std::string boneName) : ParticleBone()
{
    name = std::move(boneName);
}

ParticleBone* ParticleBone::FindByName(const std::string& wanted)
{
    return const_cast<ParticleBone*>(static_cast<const ParticleBone*>(this)->FindByName(wanted));
}

const ParticleBone* ParticleBone::FindByName(const std::string& wanted) const
{
    return static_cast<const ParticleBone*>(FindFirst(
        [&wanted](const Particle& node) { return node.name == wanted && dynamic_cast<const ParticleBone*>(&node); }));
}

const ParticleBone* ParticleBone::BoneChildren::Iterator::operator*() const
{
    return static_cast<const ParticleBone*>(owner_->GetChildren()[index_].get());
}

void ParticleBone::BoneChildren::Iterator::SkipOthers()
{
    const auto& all = owner_->GetChildren();
    while (index_ < all.size() && !dynamic_cast<const ParticleBone*>(all[index_].get()))
        ++index_;
}

size_t ParticleBone::BoneChildren::size() const
{
    size_t count = 0;
    for (auto it = begin(); it != end(); ++it)
        ++count;
    return count;
}

}  // namespace Zel
