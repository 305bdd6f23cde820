// KorvelIndexedMeshInstance: one placed use of a mesh definition in the scene, sharing its chunks and materials; cull, render, lighting, faces, scale, bounds and ray tests.
#pragma once

#include <array>
#include <cstdint>

#include "mesh/geometry_chunk_copies.h"
#include "mesh/indexed_mesh_definition.h"
#include "zel/display.h"
#include "zel/light_target.h"
#include "zel/particle_structure.h"

namespace Zel {
class RenderKernel;
class Resource;
class ViewPoint;
}  // namespace Zel

class KorvelIndexedMeshInstance;

// One triangle of an instance.
struct MeshFaceDescriptor {
    const KorvelIndexedMeshInstance* geometry = nullptr;
    uint32_t face = 0;
    uint32_t chunk = 0;
};

struct MeshRay {
    float point[3] = {0, 0, 0};
    float direction[3] = {0, 0, 1};
};

// Chunk flags the instances read.
enum : uint32_t {
    ChunkFlagMergeable = 0x4,
    ChunkFlagRefused = 0x40,
    ChunkFlagUnshared = 0x1000,
};

class KorvelIndexedMeshInstance : public Zel::ParticleStructure, public Zel::LightTarget {
public:
    static constexpr int kTypeId = 17;

    explicit KorvelIndexedMeshInstance(Zel::RenderKernel* kernel);
    ~KorvelIndexedMeshInstance() override;
    KorvelIndexedMeshInstance(const KorvelIndexedMeshInstance&) = delete;
    KorvelIndexedMeshInstance& operator=(const KorvelIndexedMeshInstance&) = delete;

    virtual int GetID() const { return kTypeId; }
    // A new instance of the same class with this one copied into it.
    virtual KorvelIndexedMeshInstance* CreateInstance() const;
    // Shares the definition's chunks and materials; chunks flagged unshared
    // get copies of their own.
    virtual void SetDefinition(const KorvelIndexedMeshDefinition& definition);
    // Holds the resource locked and counted while it is set.
    void SetResource(Zel::Resource* resource);
    Zel::Resource* GetResource() const { return resource_; }
    // SetResource and SetDefinition; with a skeleton, a copy of it as this
    // node's child and each chunk's bone particle found in it; then the
    // attachment points.
    void Init(Zel::Resource* resource, const KorvelIndexedMeshDefinition& definition);

    // Scene node: culled with the viewpoint (the instance is queued with its
    // matrix and its materials asked for the mip level it needs) unless it is
    // fully transparent; Render lights it when its lights changed and hands
    // each chunk with faces to its material, a bone-carried chunk with its
    // bone's matrix and only when that bone was culled this frame.
    void AfterCull(Zel::ViewPoint& viewpoint, const Zel::Matrix4& matrix) override;
    virtual void Render(Zel::Display* display, const Zel::Viewport& viewport, Zel::Matrix4 matrix);
    void UpdateLighting(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                        bool force) override;
    // Draws every chunk with faces straight to the display at the matrix,
    // lit by the instance's light list when asked (no material caches).
    virtual void RenderGeometry(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                                bool lighting);
    bool WasNotCulledThisFrame(const Zel::Display& display) const
    {
        return GetLastCulledFrame() != display.GetFrameNumber();
    }
    // The matrix stored for the viewport by the last cull.
    const Zel::Matrix4& GetStoredMatrix() const { return storedMatrix_; }

    void MakeChunkArrayUnique();
    void MakeMaterialArrayUnique();
    void MakeChunkUnique(uint32_t index);
    // False for a refused or skinned chunk, or without a chunk array.
    virtual bool AddChunk(Zel::GeometryChunk* chunk, Zel::Material* material);
    // Appends the chunk's geometry to a private copy of chunk index: both
    // mergeable triangle lists with the same vertex items, neither skinned.
    virtual bool MergeChunk(Zel::GeometryChunk* chunk, uint32_t index);

    // Stores the scale and whether it is one, then fits the bounding volume to it.
    virtual void SetScale(const float scale[3]);
    const float* GetScale() const { return scale_; }
    bool IsScaled() const { return scaled_; }
    float GetOpacity() const override { return opacity_; }
    // Every chunk draws with the opacity, then the scene node takes it.
    void SetOpacity(float opacity) override;
    uint32_t GetChunkCount() const { return chunkCount_; }
    Zel::GeometryChunk* GetChunk(uint32_t i) const { return chunks_[i]; }
    Zel::Material* GetMaterial(uint32_t i) const { return materials_[i]; }
    const RefArrayRef<Zel::GeometryChunk>& GetChunks() const { return chunks_; }
    const RefArrayRef<Zel::Material>& GetMaterials() const { return materials_; }
    virtual uint32_t GetFaceCount() const;
    const std::string& GetName() const { return name; }
    // The skeleton node below this one that carries each chunk (null: the
    // instance itself); empty without a skeleton.
    const std::vector<Zel::Particle*>& GetBoneParticles() const { return boneParticles_; }

    // The bounding volume: the definition's box, extents scaled; the scene
    // node's box (and so its bounding spheres) holds it.
    const Zel::OrientedBox& GetBoundingVolume() const { return volume_; }
    void UpdateBoundingVolume();

    // Corner rule: list, strip (odd faces swap corners 1 and 2) and fan; false otherwise.
    bool GetFaceIndices(uint32_t chunk, uint32_t face, uint16_t corners[3]) const;
    bool GetFaceVertex(const MeshFaceDescriptor& face, int corner, float out[3]) const;
    bool GetFaceCentre(const MeshFaceDescriptor& face, float out[3]) const;
    bool GetFaceNormal(const MeshFaceDescriptor& face, float out[3]) const;
    bool GetFaceNeighbour(const MeshFaceDescriptor& face, int edge, MeshFaceDescriptor& out) const;

    // The nearest hit below distance, which it then replaces.
    bool TestCollisionGeometry(const MeshRay& ray, float& distance, MeshFaceDescriptor& face) const;

protected:
    void StoreScale(const float scale[3]);
    // The copy of InitInstance: shared arrays, counts, opacity, scale, resource.
    void CopyInto(KorvelIndexedMeshInstance& target) const;
    // The skeleton copy as a child with each chunk's bone particle, then the
    // definition's attachment points.
    void AddSkeletonAndPoints(const KorvelIndexedMeshDefinition& definition);
    // A copy of the skeleton as this node's child; null without one.
    Zel::ParticleBone* AddSkeletonCopy(const Zel::ParticleBone* skeleton);
    // The node of each bone name below skeleton (null for an empty name).
    static std::vector<Zel::Particle*> FindBoneParticles(Zel::ParticleBone* skeleton,
                                                         const std::vector<std::string>& boneNames);
    // Hands each chunk with faces to its material's cache; bones: the node
    // carrying each chunk, or empty.
    void CacheChunks(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                     uint32_t chunkCount, const RefArrayRef<Zel::GeometryChunk>& chunks,
                     const RefArrayRef<Zel::Material>& materials, const std::vector<Zel::Particle*>& bones);
    void DrawChunks(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix, bool lighting,
                    uint32_t chunkCount, const RefArrayRef<Zel::GeometryChunk>& chunks,
                    const RefArrayRef<Zel::Material>& materials);
    // Scales the matrix rows by the instance's scale when scaled.
    void ApplyScale(Zel::Matrix4& matrix) const;
    void DuplicateUnsharedChunks();
    // Chunk index with chunk's geometry appended (counted, the caller's), or
    // null when the two cannot merge.
    Zel::GeometryChunk* JoinChunk(Zel::GeometryChunk* chunk, uint32_t index) const;
    // Appends the pair to new arrays (each counted once more).
    void AppendChunk(Zel::GeometryChunk* chunk, Zel::Material* material);
    // Puts a counted chunk at index of a private array, taking its reference.
    void StoreChunk(uint32_t index, Zel::GeometryChunk* chunk);

    Zel::RenderKernel* kernel_;
    Zel::Resource* resource_ = nullptr;
    const KorvelIndexedMeshDefinition* definition_ = nullptr;
    uint32_t chunkCount_ = 0;
    RefArrayRef<Zel::GeometryChunk> chunks_;
    RefArrayRef<Zel::Material> materials_;
    float opacity_ = 1.0f;
    std::vector<Zel::Particle*> boneParticles_;
    Zel::Matrix4 storedMatrix_;
    float scale_[3] = {1, 1, 1};
    float definitionBounds_[6] = {0, 0, 0, 0, 0, 0};
    Zel::OrientedBox localBox_;
    Zel::OrientedBox volume_;
    float textureDetail_ = 0;
    bool scaled_ = false;
};
