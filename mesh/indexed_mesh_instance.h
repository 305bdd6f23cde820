// KorvelIndexedMeshInstance: one placed use of a mesh definition sharing its chunks and materials; faces, scale, bounds and ray tests, headless.
#pragma once

#include <array>
#include <cstdint>

#include "mesh/geometry_chunk_copies.h"
#include "mesh/indexed_mesh_definition.h"

namespace Zel {
class RenderKernel;
class Resource;
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

class KorvelIndexedMeshInstance {
public:
    static constexpr int kTypeId = 17;

    explicit KorvelIndexedMeshInstance(Zel::RenderKernel* kernel);
    virtual ~KorvelIndexedMeshInstance();
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
    // SetResource and SetDefinition, then the bone particle of each chunk from the skeleton.
    void Init(Zel::Resource* resource, const KorvelIndexedMeshDefinition& definition);

    void MakeChunkArrayUnique();
    void MakeMaterialArrayUnique();
    void MakeChunkUnique(uint32_t index);
    // False for a refused or skinned chunk, or without a chunk array.
    virtual bool AddChunk(Zel::GeometryChunk* chunk, Zel::Material* material);
    // Appends the chunk's geometry to a private copy of chunk index: both
    // mergeable triangle lists with the same vertex items, neither skinned.
    virtual bool MergeChunk(Zel::GeometryChunk* chunk, uint32_t index);

    void SetScale(const float scale[3]);
    const float* GetScale() const { return scale_; }
    bool IsScaled() const { return scaled_; }
    float GetOpacity() const { return opacity_; }
    void SetOpacity(float opacity) { opacity_ = opacity; }
    uint32_t GetChunkCount() const { return chunkCount_; }
    Zel::GeometryChunk* GetChunk(uint32_t i) const { return chunks_[i]; }
    Zel::Material* GetMaterial(uint32_t i) const { return materials_[i]; }
    const RefArrayRef<Zel::GeometryChunk>& GetChunks() const { return chunks_; }
    const RefArrayRef<Zel::Material>& GetMaterials() const { return materials_; }
    virtual uint32_t GetFaceCount() const;
    const std::string& GetName() const { return name_; }
    // The skeleton bone that carries each chunk (null: the instance itself); empty without a skeleton.
    const std::vector<const Zel::ParticleBone*>& GetBoneParticles() const { return boneParticles_; }

    // The bounding volume: the definition's box, extents scaled.
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
    // The copy of InitInstance: shared arrays, counts, opacity, scale, resource.
    void CopyInto(KorvelIndexedMeshInstance& target) const;
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
    std::vector<const Zel::ParticleBone*> boneParticles_;
    float scale_[3] = {1, 1, 1};
    float definitionBounds_[6] = {0, 0, 0, 0, 0, 0};
    Zel::OrientedBox localBox_;
    Zel::OrientedBox volume_;
    float textureDetail_ = 0;
    bool scaled_ = false;
    std::string name_;
};
