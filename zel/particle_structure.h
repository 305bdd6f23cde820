// Zel::ParticleStructure: a particle that carries attachment points (on itself or on its skeleton's nodes) and reference points.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "zel/attachment_point.h"
#include "zel/particle.h"

namespace Zel {

class ParticleStructure : public Particle {
public:
    using Particle::Particle;

    // Without the skeleton the point hangs from the structure itself. With
    // it, the point hangs from the node below the structure named by the
    // point's parent name; false (and point left with the caller) when the
    // name is empty or no such node exists. On success point is taken over.
    bool AddAttachmentPoint(std::unique_ptr<AttachmentPoint>& point, bool useSkeleton);
    // Hangs the point from the structure; returns it.
    ReferencePoint* AddReferencePoint(std::unique_ptr<ReferencePoint> point);

    // The points below the structure, depth-first.
    std::vector<AttachmentPoint*> GetAttachmentPoints() const;
    std::vector<ReferencePoint*> GetReferencePoints() const;
    AttachmentPoint* FindAttachmentPoint(const std::string& pointName) const;
};

}  // namespace Zel
