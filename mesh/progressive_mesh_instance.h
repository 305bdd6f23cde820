// KorvelProgressiveMeshInstance: a mesh instance with index arrays of its own that refines and coarsens between the definition's levels.
#pragma once

#include "mesh/indexed_mesh_instance.h"
#include "mesh/influence_mesh.h"
#include "mesh/progressive_mesh_definition.h"
#include "zel/scalable_detail.h"

// The detail part keeps the current level and the total face count, which
// the engine's wanted face count drives through the two detail operations.
class KorvelProgressiveMeshInstance : public KorvelIndexedMeshInstance, public Zel::ScalableDetail {
public:
    static constexpr int kTypeId = 19;

    explicit KorvelProgressiveMeshInstance(Zel::RenderKernel* kernel);
    int GetID() const override { return kTypeId; }
    KorvelIndexedMeshInstance* CreateInstance() const override;
    bool AddChunk(Zel::GeometryChunk*, Zel::Material*) override { return false; }
    bool MergeChunk(Zel::GeometryChunk*, uint32_t) override { return false; }
    // Private copies of every chunk, at full detail (every level applied).
    void SetProgressiveDefinition(const KorvelProgressiveMeshDefinition& definition);
    // Resource and definition, then the skeleton, bone particles and
    // attachment points as a plain instance's.
    void Init(Zel::Resource* resource, const KorvelProgressiveMeshDefinition& definition);

    // Applies levels while the total is below wanted and a level is left.
    void RefineToFaces(uint32_t wanted) override;
    // Removes levels (never level 0) while the total stays at or above wanted.
    void CoarsenToFaces(uint32_t wanted) override;
    uint32_t GetTotalFaces() const { return Zel::ScalableDetail::GetFaceCount(); }
    uint32_t GetFaceCount() const override { return Zel::ScalableDetail::GetFaceCount(); }
    // The counts a chunk draws with at the current level; its arrays keep
    // their full-detail size, so a count is never read past them.
    struct DrawCounts {
        int64_t vertices = 0, faces = 0, indices = 0;
    };
    const DrawCounts& GetDrawCounts(uint32_t chunk) const { return drawCounts_[chunk]; }

protected:
    // The progressive copy: base part, detail state, chunks of the copy's own.
    void CopyProgressiveInto(KorvelProgressiveMeshInstance& copy) const;

private:
    void ApplyLevel(uint32_t level, int sign);
    void MakeEveryChunkUnique();

    const KorvelProgressiveMeshDefinition* progressive_ = nullptr;
    std::vector<DrawCounts> drawCounts_;
};

// The progressive instance deformed by a skeleton of its own. Its chunks are
// already private, so software skinning rewrites nothing shared.
class KorvelDynamicProgressiveMeshInstance : public KorvelProgressiveMeshInstance, public KorvelInfluenceMesh {
public:
    static constexpr int kTypeId = 20;

    explicit KorvelDynamicProgressiveMeshInstance(Zel::RenderKernel* kernel);
    int GetID() const override { return kTypeId; }
    KorvelIndexedMeshInstance* CreateInstance() const override;
    // Resource, the progressive definition at full detail, the bones and the skeleton.
    void SetUp(Zel::Resource* resource, const KorvelProgressiveMeshDefinition& definition);
    // What rendering a frame runs first: level 0's skin for that frame.
    void UpdateSkin(uint32_t frame);
    // Level 0's skin for the display's frame, then the plain render (or drawing).
    void Render(Zel::Display* display, const Zel::Viewport& viewport, Zel::Matrix4 matrix) override;
    void RenderGeometry(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                        bool lighting) override;
    Zel::ParticleBone* GetSkeletonInstance() const { return GetAttachedSkeleton(); }
};
