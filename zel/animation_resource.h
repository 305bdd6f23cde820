// Zel::AnimationResource: a ".kin" animation loaded through a resource database, and its resource type "kin".
#pragma once

#include <memory>

#include "zel/kin_animation.h"
#include "zel/resource.h"

namespace Zel {

class AnimationResource : public Resource {
public:
    using Resource::Resource;

    // The keyframes while locked; null before a successful lock.
    const KinAnimation* GetAnimation() const { return animation_.get(); }
    // The reader's result of the last load (KinOk when it loaded).
    int GetLastResult() const { return lastResult_; }

protected:
    int Load(const std::vector<uint8_t>& bytes) override;
    void Unload() override;

private:
    std::shared_ptr<const KinAnimation> animation_;
    int lastResult_ = KinOk;
};

// Registers the type "kin" (once; later calls do nothing).
void RegisterAnimationResourceType();

// Locks the animation of that name from the database: a counted, locked
// resource (give it back with ReleaseAnimationResource), or null when the
// database has no such file or it does not read as an animation.
AnimationResource* LockAnimationResource(ResourceDatabase* database, const char* name);
void ReleaseAnimationResource(AnimationResource* resource);

}  // namespace Zel
