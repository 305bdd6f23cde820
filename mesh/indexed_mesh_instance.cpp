// KorvelIndexedMeshInstance: sharing and copying chunks, scale and bounds, the corner rule, face queries and ray tests.
#include "mesh/indexed_mesh_instance.h"

#include <cmath>
#include <cstring>

#include "mesh/kv_axis_box_tree.h"
#include "mesh/triangle_tests.h"
#include "zel/resource.h"

KorvelIndexedMeshInstance::KorvelIndexedMeshInstance(Zel::RenderKernel* kernel) : kernel_(kernel) {}

KorvelIndexedMeshInstance::~KorvelIndexedMeshInstance()
{
    SetResource(nullptr);
}

void KorvelIndexedMeshInstance::SetResource(Zel::Resource* resource)
{
    if (resource_) {
        resource_->Unlock();
        resource_->ReleaseReference();
    }
    resource_ = resource;
    if (resource_) {
        resource_->AddReference();
        resource_->Lock();
    }
}

KorvelIndexedMeshInstance* KorvelIndexedMeshInstance::CreateInstance() const
{
    auto* copy = new KorvelIndexedMeshInstance(kernel_);
    CopyInto(*copy);
    return copy;
}

void KorvelIndexedMeshInstance::CopyInto(KorvelIndexedMeshInstance& target) const
{
    target.chunks_ = chunks_;
    target.materials_ = materials_;
    target.chunkCount_ = chunkCount_;
    memcpy(target.definitionBounds_, definitionBounds_, sizeof definitionBounds_);
    target.opacity_ = opacity_;
    target.Zel::Particle::SetOpacity(opacity_);
    memcpy(target.scale_, scale_, sizeof scale_);
    target.scaled_ = scaled_;
    target.kernel_ = kernel_;
    target.definition_ = definition_;
    target.name = name;
    target.SetResource(resource_);
    target.DuplicateUnsharedChunks();
}

void KorvelIndexedMeshInstance::DuplicateUnsharedChunks()
{
    bool unique = false;
    for (uint32_t i = 0; i < chunkCount_; ++i) {
        if ((chunks_[i]->GetFlags() & ChunkFlagUnshared) == 0)
            continue;
        if (!unique) {
            MakeChunkArrayUnique();
            unique = true;
        }
        MakeChunkUnique(i);
    }
}

void KorvelIndexedMeshInstance::SetDefinition(const KorvelIndexedMeshDefinition& definition)
{
    definition_ = &definition;
    chunkCount_ = static_cast<uint32_t>(definition.GetChunkCount());
    chunks_ = definition.GetChunks();
    materials_ = definition.GetMaterials();
    textureDetail_ = definition.GetTexelScale();
    memcpy(definitionBounds_, definition.GetBoundsMax(), 12);
    memcpy(definitionBounds_ + 3, definition.GetBoundsMin(), 12);
    localBox_ = definition.GetOrientedBox();
    definition.AddReferencePoints(*this);
    name = definition.GetName();
    UpdateBoundingVolume();
    DuplicateUnsharedChunks();
}

void KorvelIndexedMeshInstance::Init(Zel::Resource* resource, const KorvelIndexedMeshDefinition& definition)
{
    SetResource(resource);
    SetDefinition(definition);
    AddSkeletonAndPoints(definition);
}

void KorvelIndexedMeshInstance::AddSkeletonAndPoints(const KorvelIndexedMeshDefinition& definition)
{
    boneParticles_.clear();
    Zel::ParticleBone* skeleton = AddSkeletonCopy(definition.GetSkeleton());
    if (skeleton) {
        std::vector<std::string> boneNames;
        for (uint32_t i = 0; i < chunkCount_; ++i)
            boneNames.push_back(definition.GetChunkBoneName(static_cast<int>(i)));
        boneParticles_ = FindBoneParticles(skeleton, boneNames);
    }
    definition.AddAttachmentPoints(*this);
}

void KorvelIndexedMeshInstance::MakeChunkArrayUnique()
{
    chunks_.MakeUnique();
}

void KorvelIndexedMeshInstance::MakeMaterialArrayUnique()
{
    materials_.MakeUnique();
}

void KorvelIndexedMeshInstance::MakeChunkUnique(uint32_t index)
{
    if (index >= chunkCount_ || index >= chunks_.Size())
        return;
    StoreChunk(index, CopyGeometryChunk(*chunks_[index]));
}

bool KorvelIndexedMeshInstance::AddChunk(Zel::GeometryChunk* chunk, Zel::Material* material)
{
    if (!chunk || (chunk->GetFlags() & ChunkFlagRefused) != 0 || !chunk->GetInfluenceMatrices().empty() ||
        chunks_.IsNull())
        return false;
    if ((chunk->GetFlags() & ChunkFlagUnshared) != 0) {
        Zel::GeometryChunk* copy = CopyGeometryChunk(*chunk);
        AppendChunk(copy, material);
        copy->ReleaseReference();
    } else {
        AppendChunk(chunk, material);
    }
    return true;
}

void KorvelIndexedMeshInstance::AppendChunk(Zel::GeometryChunk* chunk, Zel::Material* material)
{
    // New arrays: whoever shares the old ones keeps them as they were.
    RefArrayRef<Zel::GeometryChunk> chunks;
    RefArrayRef<Zel::Material> materials;
    chunks.Allocate(chunkCount_ + 1);
    materials.Allocate(chunkCount_ + 1);
    for (uint32_t i = 0; i < chunkCount_; ++i) {
        chunks.PushBack(chunks_[i]);
        materials.PushBack(i < materials_.Size() ? materials_[i] : nullptr);
    }
    chunks.PushBack(chunk);
    materials.PushBack(material);
    chunks_ = chunks;
    materials_ = materials;
    ++chunkCount_;
}

bool KorvelIndexedMeshInstance::MergeChunk(Zel::GeometryChunk* chunk, uint32_t index)
{
    if (!chunk || (chunk->GetFlags() & ChunkFlagRefused) != 0 || !chunk->GetInfluenceMatrices().empty())
        return false;
    Zel::GeometryChunk* joined = JoinChunk(chunk, index);
    if (!joined)
        return false;
    StoreChunk(index, joined);
    return true;
}

Zel::GeometryChunk* KorvelIndexedMeshInstance::JoinChunk(Zel::GeometryChunk* chunk, uint32_t index) const
{
    if (!chunk || index >= chunkCount_ || index >= chunks_.Size())
        return nullptr;
    Zel::GeometryChunk* target = chunks_[index];
    if ((chunk->GetFlags() & ChunkFlagMergeable) == 0 || (target->GetFlags() & ChunkFlagMergeable) == 0)
        return nullptr;
    // Every chunk draws in one pass here; the vertex types accept each other
    // when they hold the same items.
    return AppendGeometryChunk(*target, *chunk);
}

void KorvelIndexedMeshInstance::StoreChunk(uint32_t index, Zel::GeometryChunk* chunk)
{
    chunks_.MakeUnique();
    chunks_.Set(index, chunk);
    chunk->ReleaseReference();
}

void KorvelIndexedMeshInstance::StoreScale(const float scale[3])
{
    memcpy(scale_, scale, sizeof scale_);
    scaled_ = scale[0] != 1.0f || scale[1] != 1.0f || scale[2] != 1.0f;
}

void KorvelIndexedMeshInstance::SetScale(const float scale[3])
{
    StoreScale(scale);
    UpdateBoundingVolume();
}

void KorvelIndexedMeshInstance::UpdateBoundingVolume()
{
    volume_ = localBox_;
    if (scaled_) {
        for (int k = 0; k < 3; ++k)
            volume_.extents[k] *= scale_[k];
    }
    // The node's axis box around the oriented one: its spheres then hold the mesh.
    Zel::Vector3 low, high;
    for (int k = 0; k < 3; ++k) {
        float half = 0;
        for (int axis = 0; axis < 3; ++axis)
            half += std::fabs(volume_.axes[axis][k]) * volume_.extents[axis];
        low[k] = volume_.centre[k] - half;
        high[k] = volume_.centre[k] + half;
    }
    SetBoundingBox(low, high);
}

uint32_t KorvelIndexedMeshInstance::GetFaceCount() const
{
    uint32_t faces = 0;
    for (uint32_t i = 0; i < chunkCount_; ++i)
        faces += chunks_[i]->GetFaceCount();
    return faces;
}

bool KorvelIndexedMeshInstance::GetFaceIndices(uint32_t chunkIndex, uint32_t face, uint16_t corners[3]) const
{
    if (chunkIndex >= chunkCount_)
        return false;
    Zel::GeometryChunk* chunk = chunks_[chunkIndex];
    const uint16_t* indices = chunk->GetIndices();
    uint64_t count = chunk->GetIndexCount();
    if (!indices)
        return false;
    uint64_t k[3];
    switch (chunk->GetFlags() & 0x1Fu) {
    case 4:
        k[0] = 3 * uint64_t{face}, k[1] = k[0] + 1, k[2] = k[0] + 2;
        break;
    case 8:
        k[0] = face, k[1] = uint64_t{face} + 1, k[2] = uint64_t{face} + 2;
        if (face & 1)
            std::swap(k[1], k[2]);
        break;
    case 16:
        k[0] = 0, k[1] = uint64_t{face} + 1, k[2] = uint64_t{face} + 2;
        break;
    default:
        return false;
    }
    for (int c = 0; c < 3; ++c) {
        if (k[c] >= count || indices[k[c]] >= chunk->GetVertexCount())
            return false;
        corners[c] = indices[k[c]];
    }
    return true;
}

bool KorvelIndexedMeshInstance::GetFaceVertex(const MeshFaceDescriptor& face, int corner, float out[3]) const
{
    uint16_t corners[3];
    if (corner < 0 || corner > 2 || !GetFaceIndices(face.chunk, face.face, corners))
        return false;
    Zel::VertexStream positions = chunks_[face.chunk]->GetItem(Zel::ItemPosition);
    if (!positions)
        return false;
    memcpy(out, positions.data + size_t{corners[corner]} * positions.stride, 12);
    return true;
}

bool KorvelIndexedMeshInstance::GetFaceCentre(const MeshFaceDescriptor& face, float out[3]) const
{
    float p[3][3];
    for (int c = 0; c < 3; ++c) {
        if (!GetFaceVertex(face, c, p[c]))
            return false;
    }
    for (int k = 0; k < 3; ++k)
        out[k] = (p[0][k] + p[1][k] + p[2][k]) * 0.33333334f;
    return true;
}

bool KorvelIndexedMeshInstance::GetFaceNormal(const MeshFaceDescriptor& face, float out[3]) const
{
    if (face.chunk >= chunkCount_)
        return false;
    Zel::GeometryChunk* chunk = chunks_[face.chunk];
    if (chunk->GetFaceNormals() && face.face < chunk->GetFaceNormalCount()) {
        memcpy(out, chunk->GetFaceNormals() + size_t{face.face} * 3, 12);
        return true;
    }
    float p[3][3];
    for (int c = 0; c < 3; ++c) {
        if (!GetFaceVertex(face, c, p[c]))
            return false;
    }
    float u[3], v[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = p[0][k] - p[1][k];
        v[k] = p[1][k] - p[2][k];
    }
    float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    float length2 = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    if (!(length2 > 1e-9f)) {
        out[0] = 1, out[1] = 0, out[2] = 0;
        return true;
    }
    float inverse = 1.0f / std::sqrt(length2);
    for (int k = 0; k < 3; ++k)
        out[k] = n[k] * inverse;
    return true;
}

bool KorvelIndexedMeshInstance::GetFaceNeighbour(const MeshFaceDescriptor& face, int edge,
                                                 MeshFaceDescriptor& out) const
{
    if (face.chunk >= chunkCount_ || edge < 0 || edge > 2)
        return false;
    const auto& neighbours = chunks_[face.chunk]->GetFaceNeighbors();
    if (face.face >= neighbours.size())
        return false;
    uint32_t packed = static_cast<uint32_t>(neighbours[face.face][static_cast<size_t>(edge)]);
    if (packed == 0xFFFFFFFFu)
        return false;
    out.geometry = this;
    out.face = packed & 0xFFFFu;
    out.chunk = packed >> 16;
    return true;
}

namespace {

// Slab test of a ray against an oriented box: true when the line meets it ahead of the point.
bool RayMeetsBox(const Zel::OrientedBox& box, const float point[3], const float direction[3])
{
    float low = -INFINITY, high = INFINITY;
    for (int a = 0; a < 3; ++a) {
        const float* axis = box.axes[a];
        float offset = 0, speed = 0;
        for (int k = 0; k < 3; ++k) {
            offset += (point[k] - box.centre[k]) * axis[k];
            speed += direction[k] * axis[k];
        }
        // A box with no axes (nothing fitted) is a point: only its extents count.
        float extent = box.extents[a] + 1e-4f;
        if (std::fabs(speed) < 1e-12f) {
            if (std::fabs(offset) > extent)
                return false;
            continue;
        }
        float t0 = (-extent - offset) / speed, t1 = (extent - offset) / speed;
        if (t0 > t1)
            std::swap(t0, t1);
        low = std::max(low, t0);
        high = std::min(high, t1);
        if (low > high)
            return false;
    }
    return high >= 0;
}

bool AxesFitted(const Zel::OrientedBox& box)
{
    for (const auto& axis : box.axes) {
        if (axis[0] != 0 || axis[1] != 0 || axis[2] != 0)
            return true;
    }
    return false;
}

}  // namespace

bool KorvelIndexedMeshInstance::TestCollisionGeometry(const MeshRay& ray, float& distance,
                                                      MeshFaceDescriptor& face) const
{
    // The test runs in the mesh's unscaled space: the ray is scaled down and
    // a hit's distance is scaled back along the caller's direction.
    MeshRay local = ray;
    float stretch = 1.0f;
    if (scaled_) {
        if (scale_[0] == 0 || scale_[1] == 0 || scale_[2] == 0)
            return false;
        float length2 = 0;
        for (int k = 0; k < 3; ++k) {
            local.point[k] = ray.point[k] / scale_[k];
            local.direction[k] = ray.direction[k] / scale_[k];
            length2 += local.direction[k] * local.direction[k];
        }
        if (!(length2 > 0))
            return false;
        float length = std::sqrt(length2);
        for (float& component : local.direction)
            component /= length;
        // A unit step along the local direction is 1 / length along the caller's.
        stretch = 1.0f / length;
    }
    if (AxesFitted(localBox_) && !RayMeetsBox(localBox_, local.point, local.direction))
        return false;
    float best = distance / stretch;
    bool hit = false;
    uint32_t bestFace = 0, bestChunk = 0;
    KVAxisBoxTree* tree = definition_ && definition_->GetChunks().SameBlock(chunks_)
                              ? const_cast<KorvelIndexedMeshDefinition*>(definition_)->GetCollisionTree(nullptr)
                              : nullptr;
    if (tree) {
        constexpr float kReach = 5000.0f;
        float end[3];
        for (int k = 0; k < 3; ++k)
            end[k] = local.point[k] + kReach * local.direction[k];
        KVAxisBoxTreeHit found;
        if (tree->IntersectSegment(found, end, local.point) && kReach * found.t < best) {
            best = kReach * found.t;
            bestChunk = static_cast<uint32_t>(found.id) >> 16;
            bestFace = (static_cast<uint32_t>(found.id) & 0xFFFFu) / 3;
            hit = true;
        }
    } else {
        for (uint32_t c = 0; c < chunkCount_; ++c) {
            Zel::GeometryChunk* chunk = chunks_[c];
            bool twoSided = c < materials_.Size() && materials_[c] && (materials_[c]->GetFlags() & 1u) != 0;
            for (uint32_t f = 0; f < chunk->GetFaceCount(); ++f) {
                MeshFaceDescriptor candidate{this, f, c};
                float p[3][3];
                if (!GetFaceVertex(candidate, 0, p[0]) || !GetFaceVertex(candidate, 1, p[1]) ||
                    !GetFaceVertex(candidate, 2, p[2]))
                    continue;
                if (IntersectRayTriangle(p[0], p[1], p[2], local.point, local.direction, twoSided, best)) {
                    bestFace = f;
                    bestChunk = c;
                    hit = true;
                }
            }
        }
    }
    if (!hit || !(best * stretch < distance))
        return false;
    distance = best * stretch;
    face = MeshFaceDescriptor{this, bestFace, bestChunk};
    return true;
}
