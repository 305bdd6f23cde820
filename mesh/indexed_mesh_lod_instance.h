// KorvelIndexedMeshLODInstance: an instance of a LOD mesh in the scene that picks its drawn level by metric, keeps a collision level and relights each level once when dirty.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mesh/indexed_mesh_instance.h"
#include "mesh/indexed_mesh_lod_definition.h"
#include "mesh/influence_mesh.h"
#include "zel/object_lod.h"

class KorvelIndexedMeshLODInstance : public KorvelIndexedMeshInstance, public Zel::ObjectLOD {
public:
    static constexpr int kTypeId = 21;

    explicit KorvelIndexedMeshLODInstance(Zel::RenderKernel* kernel);
    int GetID() const override { return kTypeId; }
    KorvelIndexedMeshInstance* CreateInstance() const override;
    bool AddChunk(Zel::GeometryChunk*, Zel::Material*) override { return false; }
    bool MergeChunk(Zel::GeometryChunk*, uint32_t) override { return false; }
    // The scale only: a LOD node's volume stays the definition's box.
    void SetScale(const float scale[3]) override { StoreScale(scale); }

    // Levels, names and tuning from the definition; the base part holds the
    // "collision" level (the last numbered one when none is named so).
    virtual void SetLODDefinition(const KorvelIndexedMeshLODDefinition& definition);
    // SetResource and SetLODDefinition; each level's chunks find their bone
    // nodes in a skeleton of the instance's own; hidden nodes are the
    // definition's cull attachments.
    void Init(Zel::Resource* resource, const KorvelIndexedMeshLODDefinition& definition);

    void SetLOD(uint32_t index);
    uint32_t CountLODs() const { return static_cast<uint32_t>(records_.size()); }
    int32_t FindNamedIndex(const std::string& name) const;
    uint32_t GetCurrentLevel() const { return currentLevel_; }
    uint32_t GetDrawnLevel() const { return drawn_; }
    const MeshLODRecord& GetRecord(uint32_t i) const { return records_[i]; }
    void LockLevel(bool locked) { locked_ = locked; }

    // The cull at a measured metric: hides the hidden nodes beyond the
    // attachment distance, picks the drawn level unless locked, and answers
    // whether the instance is drawn (the draw minimum not above the metric).
    bool Cull(float rawMetric);
    // The scene cull: the metric of the node's sphere (5 wider) seen from
    // the viewpoint's camera, then as above; a drawn instance activates the
    // drawn level's materials and is queued with its matrix.
    using Zel::Particle::Cull;
    void BeforeCull(Zel::ViewPoint& viewpoint, const Zel::Matrix4& matrix) override;
    void AfterCull(Zel::ViewPoint& viewpoint, const Zel::Matrix4& matrix) override;
    // Lights the engine's level when dirty and caches the drawn level's chunks.
    void Render(Zel::Display* display, const Zel::Viewport& viewport, Zel::Matrix4 matrix) override;
    void SetOpacity(float opacity) override;
    // The drawn level's chunks.
    void RenderGeometry(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                        bool lighting) override;
    // Each hidden node's name and whether it is hidden now.
    const std::vector<std::pair<std::string, bool>>& GetHiddenNodes() const { return hiddenNodes_; }

    // Lighting per level: a dirty level is relit once; force relights a clean one.
    // True when the level's lighting was calculated.
    bool UpdateLODLighting(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                           uint32_t level, bool force);
    bool UpdateLODLighting(uint32_t level, bool force);
    // Every level below the engine's distance count (all) or the record count.
    void UpdateAllLODLighting(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                              bool all, bool force);
    void SetUpdateLighting(bool value) override;
    // The current level's lighting, keyed by its dirty byte.
    void UpdateLighting(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                        bool force) override;
    bool LightsChanged() const { return IsLightingChanged(); }
    uint32_t GetLightingCalculations() const { return GetCalculationCount(); }
    Zel::ParticleBone* GetSkeletonInstance() const { return skeleton_; }

protected:
    void CopyLodInto(KorvelIndexedMeshLODInstance& target) const;
    void UnshareRecordChunks(uint32_t record);
    // The skeleton copy as a child and each record's bone particles in it.
    void AttachRecordBones(const Zel::ParticleBone* skeleton);
    // The hidden nodes named by names, found below this node.
    void FindHiddenNodes(const std::vector<std::string>& names);
    void HideFarNodes(float metric);
    // The raw LOD measure of the node seen from the camera, its sphere
    // widened by grow: the distance to the centre, or to the near or far side
    // by the calc point.
    float MeasureLOD(const Zel::ViewPoint& viewpoint, float grow) const;

    uint32_t currentLevel_ = 0;
    std::vector<NamedLevel> names_;
    std::vector<MeshLODRecord> records_;
    uint32_t drawn_ = 0;
    bool locked_ = false;
    std::vector<bool> dirty_;
    uint32_t dirtyCount_ = 0;
    float drawMinimum_ = 0;
    // The metric the scene cull measured as it reached this node, for when
    // the walk comes back from below it.
    float cullMetric_ = 0;
    float attachmentDistance_ = 0;
    std::vector<std::pair<std::string, bool>> hiddenNodes_;
    // The nodes of those names found below this node (null when none).
    std::vector<Zel::Particle*> hiddenParticles_;
    Zel::ParticleBone* skeleton_ = nullptr;  // a child of this node
    std::vector<std::vector<Zel::Particle*>> recordBones_;
};

class KorvelDynamicIndexedMeshLODInstance : public KorvelIndexedMeshLODInstance, public KorvelInfluenceMesh {
public:
    static constexpr int kTypeId = 22;

    explicit KorvelDynamicIndexedMeshLODInstance(Zel::RenderKernel* kernel);
    int GetID() const override { return kTypeId; }
    KorvelIndexedMeshInstance* CreateInstance() const override;
    // The LOD set-up, the bone-hide distance, the influence mesh per level and
    // the keep-animated levels; software levels get chunks of their own.
    void SetUp(Zel::Resource* resource, const KorvelIndexedMeshLODDefinition& definition);
    // The far bit follows the metric with a band of the margin either side of
    // the bone-hide distance; skins the drawn level and the keep-animated ones.
    void UpdateSkins(uint32_t frame);
    using KorvelIndexedMeshLODInstance::Cull;
    void AfterCull(Zel::ViewPoint& viewpoint, const Zel::Matrix4& matrix) override;
    // The skins first, then the LOD render (or drawing).
    void Render(Zel::Display* display, const Zel::Viewport& viewport, Zel::Matrix4 matrix) override;
    void RenderGeometry(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                        bool lighting) override;
    bool IsFar() const { return (flags_ & 2) != 0; }
    bool BoneNodesHidden() const { return boneNodesHidden_; }
    const std::vector<uint32_t>& GetKeepAnimatedLevels() const { return keepAnimated_; }

private:
    // Hides (or shows) each direct child named "b.…" with everything below it.
    void ShowOrHideBoneNodes(bool hidden);

    std::vector<uint32_t> keepAnimated_;
    float boneHideDistance_ = 0;
    uint8_t flags_ = 3;  // bit 0 first update pending, bit 1 far
    bool boneNodesHidden_ = false;
};
