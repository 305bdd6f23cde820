// KorvelInfluenceMesh: the bones of a skinned instance bound to its skeleton, and the skin update (matrices on the display, or weighted positions in software).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mesh/indexed_mesh_definition.h"
#include "zel/matrix4.h"

struct MeshLODRecord;

struct InfluenceBone {
    struct Level {
        bool hardware = false;
        std::vector<InfluenceChunkWeights> sets;
    };
    std::string name, parent;
    Zel::Matrix4 skin;         // world, or inverse bind x world after a display update
    Zel::Matrix4 inverseBind;  // of the bind pose, once bound
    Zel::ParticleBone* node = nullptr;
    std::vector<Level> levels;
    float restOrientation[4] = {0, 0, 0, 1};
    float restPosition[3] = {0, 0, 0};
    std::vector<size_t> children;
};

// A deep copy of a skeleton: the instance's own nodes that animation moves.
std::unique_ptr<Zel::ParticleBone> CopyBoneTree(const Zel::ParticleBone& bone);

class KorvelInfluenceMesh {
public:
    virtual ~KorvelInfluenceMesh() = default;

    // Binds every bone to the node of its name (the root itself included),
    // then takes the bind pose.
    void AttachSkeleton(Zel::ParticleBone* root);
    // A software level starts from zero positions: the update adds every bone's share.
    void ClearSkinnedPositions(uint32_t chunkCount, const RefArrayRef<Zel::GeometryChunk>& chunks, uint32_t level);
    // At most once per non-zero frame number and level.
    void UpdateSkin(uint32_t chunkCount, const RefArrayRef<Zel::GeometryChunk>& chunks, uint32_t frame, uint32_t level);
    // One level: software levels copy the influence sets.
    void BuildFromDefinition(const std::vector<InfluenceDefinition>& bones, bool hardware);
    // One entry per level and bone; level j's sets from the LOD bone table.
    void BuildFromLODDefinition(const std::vector<InfluenceDefinition>& bones,
                                const std::vector<std::vector<std::vector<InfluenceChunkWeights>>>& levelWeights,
                                const std::vector<bool>& hardwareLevels);
    const InfluenceBone* GetRootBone() const { return root_ < 0 ? nullptr : &bones_[size_t(root_)]; }
    const std::vector<InfluenceBone>& GetBones() const { return bones_; }
    // Children by parent name; the last bone without a parent is the root.
    void LinkBones();

    // The bone of that name, or -1.
    int FindBone(const std::string& name) const;
    // Bone's level-0 set for a chunk, or null.
    const InfluenceChunkWeights* FindLevelZeroSet(size_t bone, uint32_t chunk) const;
    InfluenceChunkWeights* FindLevelZeroSet(size_t bone, uint32_t chunk);
    // Appends a copy of the set to the bone's level 0; false when it has no levels.
    bool AppendInfluenceSet(size_t bone, const InfluenceChunkWeights& set);
    // Target's influences followed by source's, their vertices moved by offset.
    static void JoinInfluenceSets(InfluenceChunkWeights& target, const InfluenceChunkWeights& source,
                                  uint32_t vertexOffset);

    // The skeleton the bones are bound to (null when unbound).
    Zel::ParticleBone* GetAttachedSkeleton() const { return skeletonRoot_; }

protected:
    // One level from the definition's influences, skinned on the display
    // when the definition chose so, bound to a skeleton of the node's own: a
    // copy of the definition's, added as the node's child, that animation moves.
    void SetUpSkinning(const KorvelIndexedMeshDefinition& definition, Zel::Particle& node);
    // The source's bones, bound to a copy of its skeleton in its current
    // pose, added as the node's child.
    void CopySkinning(const KorvelInfluenceMesh& source, Zel::Particle& node);
    void CopyInfluenceMesh(const KorvelInfluenceMesh& source);
    void ComputeBindPose(size_t bone, const Zel::Matrix4& parentWorld);
    void UpdateBone(size_t bone, const Zel::Matrix4& parentWorld, uint32_t level, bool hardware, uint32_t chunkCount,
                    const RefArrayRef<Zel::GeometryChunk>& chunks);
    // One bone's share of the skin at its world matrix.
    static void SkinBone(InfluenceBone& bone, const Zel::Matrix4& world, uint32_t level, bool hardware,
                         uint32_t chunkCount, const RefArrayRef<Zel::GeometryChunk>& chunks);
    bool LevelIsHardware(uint32_t level) const;

    std::vector<InfluenceBone> bones_;
    int root_ = -1;
    Zel::ParticleBone* skeletonRoot_ = nullptr;
    std::vector<uint32_t> frameStamps_;
};
