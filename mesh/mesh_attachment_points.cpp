// KorvelIndexedMeshDefinition: hanging the attachment table's attachment and reference points on an instance.
#include "mesh/indexed_mesh_definition.h"
#include "zel/attachment_point.h"
#include "zel/particle_structure.h"

namespace {

// Names are matched on their first letter only, in either case.
bool StartsWith(const std::string& name, char lower)
{
    return !name.empty() && (name[0] == lower || name[0] == lower - 'a' + 'A');
}

Zel::Transformation PlacementOf(const MeshAttachment& attachment)
{
    Zel::Transformation placement;
    placement.position = {attachment.position[0], attachment.position[1], attachment.position[2]};
    placement.orientation.Set(attachment.orientation);
    return placement;
}

}  // namespace

void KorvelIndexedMeshDefinition::AddAttachmentPoints(Zel::ParticleStructure& structure) const
{
    const bool withSkeleton = GetSkeleton() != nullptr;
    for (const MeshAttachment& attachment : attachments_) {
        if (!StartsWith(attachment.name, 'a'))
            continue;
        std::string first, second;
        Zel::AttachmentPoint::GetSubNames(attachment.name, first, second);
        auto point = std::make_unique<Zel::AttachmentPoint>(first, second);
        Zel::AttachmentPoint* placed = point.get();
        Zel::Transformation placement = PlacementOf(attachment);
        if (withSkeleton && structure.AddAttachmentPoint(point, true)) {
            // The table places points in the mesh's frame; the point's own
            // placement is in its node's. The structure's frame is the
            // reference, wherever the structure itself hangs.
            placed->GlobalToLocal(placement.position, placement.orientation, &structure);
        } else if (!structure.AddAttachmentPoint(point, false)) {
            // Without a skeleton, or when no node has the point's node name,
            // the point is a plain child of the structure, which takes any
            // new point; nothing is left to place otherwise.
            continue;
        }
        placed->SetReferenceFrame(placement.position, placement.orientation);
    }
}

void KorvelIndexedMeshDefinition::AddReferencePoints(Zel::ParticleStructure& structure) const
{
    for (const MeshAttachment& attachment : attachments_) {
        if (!StartsWith(attachment.name, 'p'))
            continue;
        std::string first, second;
        Zel::ReferencePoint::GetSubNames(attachment.name, first, second);
        const Zel::Transformation placement = PlacementOf(attachment);
        structure.AddReferencePoint(
            std::make_unique<Zel::ReferencePoint>(first, placement.position, placement.orientation));
    }
}
