// Zel::AttachmentPoint and Zel::ReferencePoint: named places on a mesh where other objects attach or are measured from.
#pragma once

#include <string>

#include "zel/particle.h"

namespace Zel {

class AttachmentPoint : public Particle {
public:
    // first names the point; second names the node it hangs from ("" for
    // the structure itself).
    AttachmentPoint(std::string first, std::string second) : Particle(std::move(first)), parentName_(std::move(second))
    {}

    // A stored name "node/point" names the point after its last '/' and the
    // node before it; without a '/' the whole name is the point's and the
    // node's name is empty. The tools list the same tail as the point's name.
    static void GetSubNames(const std::string& full, std::string& first, std::string& second);
    const std::string& GetParentName() const { return parentName_; }
    // The point's placement in the frame of the node it hangs from.
    void SetReferenceFrame(const Vector3& p, const Quaternion& q) { SetLocalTransformation({p, q}); }

private:
    std::string parentName_;
};

class ReferencePoint : public Particle {
public:
    ReferencePoint(std::string pointName, const Vector3& p, const Quaternion& q) : Particle(std::move(pointName))
    {
        SetReferenceFrame(p, q);
    }
    // Splits as AttachmentPoint::GetSubNames does.
    static void GetSubNames(const std::string& full, std::string& first, std::string& second)
    {
        AttachmentPoint::GetSubNames(full, first, second);
    }
    void SetReferenceFrame(const Vector3& p, const Quaternion& q) { SetLocalTransformation({p, q}); }
};

}  // namespace Zel
