// Zel::ParticleBone: a skeleton node: a particle with a rest frame and a small bounding box, whose children are bones.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "zel/particle.h"

namespace Zel {

class ParticleBone : public Particle {
public:
    // The bone children of a bone, in the order they were added (other
    // particles hung below the bone, such as attachment points, are left out).
    class BoneChildren {
    public:
        class Iterator {
        public:
            Iterator(const Particle* owner, size_t index) : owner_(owner), index_(index) { SkipOthers(); }
            const ParticleBone* operator*() const;
            Iterator& operator++()
            {
                ++index_;
                SkipOthers();
                return *this;
            }
            bool operator!=(const Iterator& other) const { return index_ != other.index_; }

        private:
            void SkipOthers();
            const Particle* owner_;
            size_t index_;
        };

        explicit BoneChildren(const Particle& owner) : owner_(&owner) {}
        Iterator begin() const { return {owner_, 0}; }
        Iterator end() const { return {owner_, owner_->GetChildren().size()}; }
        size_t size() const;
        bool empty() const { return size() == 0; }

    private:
        const Particle* owner_;
    };

    // A bone's box is 0.01 each way around its origin.
    ParticleBone();
    explicit ParticleBone(std::string boneName);

    // The first bone of that name, depth-first, this bone first.
    ParticleBone* FindByName(const std::string& wanted);
    const ParticleBone* FindByName(const std::string& wanted) const;

    // The rest frame, the placement the bone returns to without animation.
    void SetFramePosition(const Vector3& p) { framePosition_ = p; }
    void SetFrameOrientation(const Quaternion& q) { frameOrientation_ = q; }
    const Vector3& GetFramePosition() const { return framePosition_; }
    const Quaternion& GetFrameOrientation() const { return frameOrientation_; }

    BoneChildren children{*this};

private:
    Vector3 framePosition_ = {0, 0, 0};
    Quaternion frameOrientation_;
};

}  // namespace Zel
