// Zel::ParticleStructure: where attachment points hang and how the structure's points are found again.
#include "zel/particle_structure.h"

namespace Zel {
namespace {

template <typename Point>
std::vector<Point*> PointsBelow(const Particle& top)
{
    std::vector<Point*> points;
    for (const Particle* node : top.EnumerateParticles()) {
        if (auto* point = dynamic_cast<const Point*>(node))
            points.push_back(const_cast<Point*>(point));
    }
    return points;
}

// The first node of that name below top (top itself excluded).
Particle* FindBelow(const Particle& top, const std::string& wanted)
{
    for (const auto& child : top.GetChildren()) {
        if (Particle* found = child->FindByName(wanted))
            return found;
    }
    return nullptr;
}

}  // namespace

bool ParticleStructure::AddAttachmentPoint(std::unique_ptr<AttachmentPoint>& point, bool useSkeleton)
{
    if (!point)
        return false;
    Particle* node = this;
    if (useSkeleton) {
        node = point->GetParentName().empty() ? nullptr : FindBelow(*this, point->GetParentName());
        if (!node)
            return false;
    }
    return node->Add(std::move(point)) != nullptr;
}

ReferencePoint* ParticleStructure::AddReferencePoint(std::unique_ptr<ReferencePoint> point)
{
    return Add(std::move(point));
}

std::vector<AttachmentPoint*> ParticleStructure::GetAttachmentPoints() const
{
    return PointsBelow<AttachmentPoint>(*this);
}

std::vector<ReferencePoint*> ParticleStructure::GetReferencePoints() const
{
    return PointsBelow<ReferencePoint>(*this);
}

AttachmentPoint* ParticleStructure::FindAttachmentPoint(const std::string& pointName) const
{
    for (AttachmentPoint* point : GetAttachmentPoints()) {
        if (point->name == pointName)
            return point;
    }
    return nullptr;
}

}  // namespace Zel
