// KorvelIndexedMeshDefinition: the load-once description of a static or skinned mesh read from an ".im" file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mesh/mesh_containers.h"
#include "mesh/mesh_records.h"
#include "zel/geometry_chunk.h"
#include "zel/material.h"
#include "zel/memory_file.h"
#include "zel/oriented_box.h"
#include "zel/particle_bone.h"

namespace Zel {
class DisplayCapabilities;
class MaterialManager;
class ParticleStructure;
struct GeometryConfigData;
}  // namespace Zel

class KVAxisBoxTree;
class OverlappedResourceSystem;

// Load results.
enum MeshResult : int {
    MeshOk = 0,
    MeshParseFailed = 1,
    MeshNoData = 2,
    MeshBadFormat = 3,
    MeshBadVersion = 4,
    MeshNoMaterialManager = 5,
    MeshMaterialNotFound = 6,
    MeshMaterialFailed = 7,
    MeshMissingStream = 8,
    MeshBuffersFailed = 9,
};

class KorvelIndexedMeshDefinition {
public:
    explicit KorvelIndexedMeshDefinition(const MeshOptions& options = MeshOptions());
    virtual ~KorvelIndexedMeshDefinition();
    KorvelIndexedMeshDefinition(const KorvelIndexedMeshDefinition&) = delete;
    KorvelIndexedMeshDefinition& operator=(const KorvelIndexedMeshDefinition&) = delete;

    // Fills the memory file from the file (through the resource's name when
    // fileName is empty); 0, or 2 when it cannot be opened.
    int OpenMeshFile(const std::string& fileName);
    Zel::MemoryFile& GetFile() { return file_; }

    // Reads the "IDXM" content already in the memory file.
    virtual int Load(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials, MeshResource* resource,
                     const std::string& fileName, uint32_t defaultColour);
    // Builds from an interpreted geometry configuration: empty chunks are
    // kept, the oriented box stays zeroed, the bone limit stays 25.
    int BuildFromConfig(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials,
                        MeshResource* resource, const Zel::GeometryConfigData& config, const std::string& fileName,
                        uint32_t defaultColour);
    // Reads and parses the ".imtxt" file, interprets it and builds from it:
    // 2 when it cannot be read, 1 when it does not parse, 3 when it is empty
    // or cannot be interpreted.
    int LoadConfig(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials, MeshResource* resource,
                   const std::string& fileName, uint32_t defaultColour);

    // Completion: queued textures, then display buffers (9 when refused).
    void LoadTextures(Zel::TextureSource* source);
    int InitChunkBuffers();

    // Read-only content.
    int GetChunkCount() const { return chunkCount_; }
    Zel::GeometryChunk* GetChunk(int i) const { return chunks_[static_cast<size_t>(i)]; }
    Zel::Material* GetMaterial(int i) const { return materials_[static_cast<size_t>(i)]; }
    // The material name as stored in the file (undecorated).
    const std::string& GetStoredMaterialName(int i) const { return storedMaterialNames_[static_cast<size_t>(i)]; }
    const RefArrayRef<Zel::GeometryChunk>& GetChunks() const { return chunks_; }
    const RefArrayRef<Zel::Material>& GetMaterials() const { return materials_; }
    // Null text (empty) past the chunk count.
    std::string GetChunkBoneName(int i) const;
    uint32_t GetVertexTotal() const { return vertexTotal_; }
    uint32_t GetFaceTotal() const { return faceTotal_; }
    uint32_t GetMaxInfluencesPerVertex() const { return maxInfluencesPerVertex_; }
    uint32_t GetMaxBonesPerChunk() const { return maxBonesPerChunk_; }
    uint32_t GetHardwareBoneLimit() const { return hardwareBoneLimit_; }
    bool UsesHardwareSkinning() const { return hardwareSkinning_; }
    const std::vector<TextureDefinition>& GetMissingTextures() const { return missingTextures_; }
    const std::vector<InfluenceDefinition>& GetInfluences() const { return influences_; }
    const std::vector<MeshAttachment>& GetAttachments() const { return attachments_; }
    const Zel::ParticleBone* GetSkeleton() const { return skeletonRoot_.get(); }
    const float* GetPosition() const { return position_; }
    const float* GetOrientation() const { return orientation_; }
    const float* GetBoundsMin() const { return boundsMin_; }
    const float* GetBoundsMax() const { return boundsMax_; }
    float GetTexelScale() const { return texelScale_; }
    const Zel::OrientedBox& GetOrientedBox() const { return box_; }
    const std::string& GetName() const { return name_; }
    // Bone matrices numbered by this table instead of the mesh's own influences.
    void SetBoneNameTable(const std::vector<std::string>* table) { boneNameTable_ = table; }
    // 64-bit: the sum over chunks cannot overflow.
    uint64_t CalculateDataSize() const;

    // Derived data (run in this order at the end of a load).
    void BuildSkeletonFromInfluences();
    void AddInfluenceMatrices();
    void ComputeBounds();
    void ComputeTexelScale();
    void ComputeOrientedBox();

    // Points of the attachment table hung on an instance as it is set up.
    // Attachment points (names beginning 'a' or 'A'): with a skeleton, on the
    // node the name gives (placed in the structure's frame), falling back to
    // the structure itself; without one, on the structure.
    void AddAttachmentPoints(Zel::ParticleStructure& structure) const;
    // Reference points (names beginning 'p' or 'P'), on the structure.
    void AddReferencePoints(Zel::ParticleStructure& structure) const;

    // Collision: the three corners of the triangle at index offset o of chunk c;
    // false when the chunk, the offset or an index is out of range.
    bool GetTriangle(int chunk, uint32_t offset, float corners[3][3]) const;
    // The tree once built; null while a background build is pending. Without
    // a background system the tree is built at once on the calling thread.
    KVAxisBoxTree* GetCollisionTree(OverlappedResourceSystem* system = nullptr);
    // Builds and returns a tree over every triangle (no state touched).
    std::unique_ptr<KVAxisBoxTree> BuildCollisionTree() const;

protected:
    int ReadInfo();
    int ReadChunk(Zel::MaterialManager* materials, MeshResource* resource, int i, uint32_t defaultColour);
    int ReadGeometry(MeshResource* resource, int i, uint32_t defaultColour);
    // What a "GEOM" block's head announces: its counts and per-vertex contents.
    struct GeometryLayout {
        uint32_t flags = 0, flags2 = 0;
        uint32_t vertexCount = 0, faceCount = 0, indexCount = 0, faceNormalCount = 0;
        uint32_t texCoordSets = 1, weightsPerVertex = 0;
        bool hasColours = false;
        bool HasTangents() const { return (flags2 & 1) != 0; }
        // Bytes of a vertex record: a position and each texture coordinate set.
        unsigned __int128 RecordSize() const { return 12 + 8 * static_cast<unsigned __int128>(texCoordSets); }
        // Bytes of every array the counts announce, in 128 bits so that no
        // hostile count can wrap it.
        unsigned __int128 ArrayBytes() const;
    };
    // The head of a "GEOM" block after its tag, size and version: flags (the
    // second word from version 201), the hint value and the counts, the
    // number of texture coordinate sets when the block stores one, then from
    // version 102 the weights per vertex, which choose the skinning. The
    // hint the chunk is made with.
    Zel::StandardChunkHint ReadGeometryHead(int32_t version, bool storesTexCoordSets, MeshResource* resource,
                                            GeometryLayout& layout);
    // The arrays of a "GEOM" block into its new chunk, in the stored order:
    // vertex records, indices (each checked against the vertices), normals,
    // colours when the layout has them, face normals and tangents. The
    // caller has checked that the block holds ArrayBytes.
    int ReadGeometryArrays(Zel::GeometryChunk& chunk, const GeometryLayout& layout, bool floatWeights,
                           uint32_t defaultColour);
    int ReadMaterial(Zel::MaterialManager* materials, MeshResource* resource, int i);
    int CreateMaterialFromRecord(Zel::MaterialManager* materials, MeshResource* resource, int i,
                                 MaterialRecord& record);
    int ReadNeighbours(int i);
    // "NINF" after its tag was read: the face neighbours of a chunk.
    int ReadNeighboursInto(Zel::GeometryChunk* chunk);
    // An entry count and the entries {chunk, weights}; entries without
    // weights are dropped; counts the chunk cannot hold give 3.
    int ReadChunkWeights(int64_t end, std::vector<InfluenceChunkWeights>& entries);
    int CreateMaterial(Zel::MaterialManager* materials, MeshResource* resource, const Zel::GeometryConfigData& config,
                       int i);
    int BuildChunk(MeshResource* resource, const Zel::GeometryConfigData& config, int i, uint32_t defaultColour);
    void CopyInfluences(const Zel::GeometryConfigData& config);
    void CopyAttachments(const Zel::GeometryConfigData& config);
    // The hint's skinning fields for a chunk with weights per vertex.
    void PrepareSkinning(Zel::StandardChunkHint& hint, uint32_t weights, uint32_t weightLimit, uint32_t matrixLimit);
    int ReadAttachments();
    // Blocks a derived file kind adds after the attachments; the final
    // position check judges what they leave.
    virtual void ReadTrailingBlocks() {}
    int ReadInfluences();
    int ReadBone(Zel::ParticleBone* parent, int depth);
    // Chooses skinning on the display once; never cleared afterwards.
    void ChooseSkinning();
    void PrepareHint(Zel::StandardChunkHint& hint, MeshResource* resource) const;
    // Bytes left before end (clamped to the data); reads past it fail.
    size_t LeftBefore(int64_t end) const;
    void RefreshTotals();

    float position_[3] = {0, 0, 0};
    float orientation_[4] = {0, 0, 0, 1};
    float boundsMax_[3] = {0, 0, 0};
    float boundsMin_[3] = {0, 0, 0};
    std::string name_;
    int chunkCount_ = 0;
    uint32_t vertexTotal_ = 0, faceTotal_ = 0;
    uint32_t maxInfluencesPerVertex_ = 0, maxBonesPerChunk_ = 0;
    uint32_t hardwareWeightLimit_ = 4, hardwareBoneLimit_ = 25;
    bool hardwareSkinning_ = false, displayCanSkin_ = false;
    RefArrayRef<Zel::GeometryChunk> chunks_;
    RefArrayRef<Zel::Material> materials_;
    std::vector<std::string> storedMaterialNames_;
    std::vector<MeshAttachment> attachments_;
    std::vector<TextureDefinition> missingTextures_;
    Zel::MemoryFile file_;
    std::vector<MaterialUse> pendingTextures_;
    std::vector<InfluenceDefinition> influences_;
    ChunkedList<std::string, 13> chunkBoneNames_;
    std::unique_ptr<Zel::ParticleBone> skeletonRoot_;
    MeshOptions options_;
    // LOD definitions name their bones through a table; null here.
    const std::vector<std::string>* boneNameTable_ = nullptr;
    float texelScale_ = 0;
    Zel::OrientedBox box_;
    std::unique_ptr<KVAxisBoxTree> collisionTree_;
    struct CollisionJob;
    std::unique_ptr<CollisionJob> collisionJob_;
    int64_t contentEnd_ = 0;
};

// Sets every vertex's blend streams to one full weight on register 0 before
// weights are added; false when a stream the choice needs is missing.
bool InitialiseBlendData(Zel::GeometryChunk& chunk, uint32_t weightsPerVertex, bool floatWeights);
// Adds one bone's weights of a chunk to its blend streams (the chunk's matrix
// slot for the bone is made on first use); weights naming a vertex the chunk
// lacks are skipped.
void AddChunkInfluenceWeights(Zel::GeometryChunk* chunk, int bone, const InfluenceChunkWeights& entry);
