// The headless animator: skeleton bone look-up, animation fitting and animation modifiers.
#include "zel/animator.h"

#include <algorithm>
#include <iterator>

#include "zel/animation_resource.h"
#include "zel/ascii.h"
#include "zel/particle_bone.h"

namespace Zel {

namespace {

// Depth-first, each bone before its bone children, without recursion: a
// skeleton read from a file may be one long chain.
void CollectBoneNames(const ParticleBone& top, std::vector<std::string>& names)
{
    std::vector<const ParticleBone*> pending{&top};
    std::vector<const ParticleBone*> children;
    while (!pending.empty()) {
        const ParticleBone* bone = pending.back();
        pending.pop_back();
        names.push_back(bone->name);
        children.clear();
        for (const ParticleBone* child : bone->children)
            children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

// The keyframes of a locked resource, kept after the resource is given back.
std::shared_ptr<const KinAnimation> LoadAnimation(ResourceDatabase* database, const char* name)
{
    AnimationResource* resource = LockAnimationResource(database, name);
    if (resource == nullptr)
        return nullptr;
    auto animation = std::make_shared<const KinAnimation>(*resource->GetAnimation());
    ReleaseAnimationResource(resource);
    return animation;
}

}  // namespace

SkeletonModifier::SkeletonModifier(const ParticleBone* skeleton, RenderKernel* kernel, float blend)
    : kernel_(kernel), blend_(blend)
{
    if (skeleton != nullptr)
        CollectBoneNames(*skeleton, boneNames_);
    foldedNames_.reserve(boneNames_.size());
    for (const std::string& bone : boneNames_)
        foldedNames_.insert(AsciiLowerCopy(bone));
}

SkeletonModifier::~SkeletonModifier() = default;

bool SkeletonModifier::HasBone(const std::string& name) const
{
    return foldedNames_.count(AsciiLowerCopy(name)) != 0;
}

Animator::Animator(Display* display, ResourceDatabase* database, SkeletonModifier* skeleton)
    : display_(display), database_(database), skeleton_(skeleton)
{}

Animator::~Animator() = default;

int Animator::Add(const char* name, int flags, float speed, float start, float weight, float phase, float fade,
                  float loop)
{
    std::shared_ptr<const KinAnimation> animation = LoadAnimation(database_, name);
    if (!animation)
        return AddResourceFailed;
    for (const std::string& bone : animation->bones) {
        if (skeleton_ == nullptr || !skeleton_->HasBone(bone))
            return AddSkeletonMismatch;
    }
    Track track;
    track.name = name;
    track.animation = std::move(animation);
    track.flags = flags;
    const float settings[6] = {speed, start, weight, phase, fade, loop};
    std::copy(std::begin(settings), std::end(settings), track.settings);
    tracks_.push_back(std::move(track));
    return AddOk;
}

AnimationModifier* AnimationModifier::CreateInstance(ResourceDatabase* database, const char* name, int flags)
{
    std::shared_ptr<const KinAnimation> animation = LoadAnimation(database, name);
    if (!animation)
        return nullptr;
    return new AnimationModifier(name, std::move(animation), flags);
}

AnimationModifier::AnimationModifier(std::string name, std::shared_ptr<const KinAnimation> animation, int flags)
    : name_(std::move(name)), animation_(std::move(animation)), flags_(flags)
{}

AnimationModifier::~AnimationModifier() = default;

}  // namespace Zel
