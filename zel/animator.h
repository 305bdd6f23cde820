// The animator: a skeleton modifier over a mesh's bones, the animations added to it, and animation modifiers made from ".kin" resources.
#pragma once

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "zel/kin_animation.h"

namespace Zel {

class Display;
class RenderKernel;
class ResourceDatabase;
struct ParticleBone;

// Poses the bones of one skeleton. It knows the skeleton's bone names; an
// animation fits it when every bone the animation moves is one of them.
class SkeletonModifier {
public:
    // skeleton may be null (a mesh without bones): then only animations that
    // move no bone fit. blend is the weight a new pose is mixed in with.
    SkeletonModifier(const ParticleBone* skeleton, RenderKernel* kernel, float blend);
    virtual ~SkeletonModifier();
    SkeletonModifier(const SkeletonModifier&) = delete;
    SkeletonModifier& operator=(const SkeletonModifier&) = delete;

    // Bone names compare without regard to ASCII case: content made on
    // Windows names bones in whatever case its tool wrote.
    bool HasBone(const std::string& name) const;
    const std::vector<std::string>& GetBoneNames() const { return boneNames_; }
    float GetBlend() const { return blend_; }

private:
    std::vector<std::string> boneNames_;
    // The names folded to lower case: an animation of many bones is fitted
    // to a skeleton of many bones without a scan per bone.
    std::unordered_set<std::string> foldedNames_;
    RenderKernel* kernel_;
    float blend_;
};

// Plays animations onto a skeleton modifier. Headless: nothing moves; an
// added animation is remembered with its play settings.
class Animator {
public:
    // Results of Add.
    enum : int {
        AddOk = 0,
        AddSkeletonMismatch = 2,  // a bone of the animation is not in the skeleton
        AddResourceFailed = 3,    // no such animation, or it does not read
        AddObserverFailed = 4,    // kept for callers; this animator never gives it
    };

    Animator(Display* display, ResourceDatabase* database, SkeletonModifier* skeleton);
    virtual ~Animator();
    Animator(const Animator&) = delete;
    Animator& operator=(const Animator&) = delete;

    // Loads the named animation from the database and adds it with its play
    // settings (flags, then speed, start, weight, phase, fade and loop
    // values, kept as given).
    int Add(const char* name, int flags, float speed, float start, float weight, float phase, float fade, float loop);

    struct Track {
        std::string name;
        std::shared_ptr<const KinAnimation> animation;
        int flags = 0;
        float settings[6] = {0, 0, 0, 0, 0, 0};
    };
    const std::vector<Track>& GetTracks() const { return tracks_; }

private:
    Display* display_;
    ResourceDatabase* database_;
    SkeletonModifier* skeleton_;
    std::vector<Track> tracks_;
};

// One playing copy of an animation.
class AnimationModifier {
public:
    // A new modifier (owned by the caller) for the named animation of the
    // database, or null when it cannot be loaded.
    static AnimationModifier* CreateInstance(ResourceDatabase* database, const char* name, int flags);
    virtual ~AnimationModifier();
    AnimationModifier(const AnimationModifier&) = delete;
    AnimationModifier& operator=(const AnimationModifier&) = delete;

    const std::string& GetName() const { return name_; }
    const KinAnimation& GetAnimation() const { return *animation_; }
    int GetFlags() const { return flags_; }

private:
    AnimationModifier(std::string name, std::shared_ptr<const KinAnimation> animation, int flags);

    std::string name_;
    std::shared_ptr<const KinAnimation> animation_;
    int flags_;
};

}  // namespace Zel
