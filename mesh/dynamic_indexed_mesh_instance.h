// KorvelDynamicIndexedMeshInstance: a mesh instance deformed by its own copy of the definition's skeleton.
#pragma once

#include <vector>

#include "mesh/indexed_mesh_instance.h"
#include "mesh/influence_mesh.h"

// The constant registers of a vertex program that hold the bone matrices,
// three registers a matrix; {-1, -1} when the program has none.
struct MatrixPalette {
    int first = -1;
    int last = -1;
    int Capacity() const { return first < 0 || last < 0 ? 0 : (last - first) / 3; }
};

class KorvelDynamicIndexedMeshInstance : public KorvelIndexedMeshInstance, public KorvelInfluenceMesh {
public:
    static constexpr int kTypeId = 18;

    explicit KorvelDynamicIndexedMeshInstance(Zel::RenderKernel* kernel);
    int GetID() const override { return kTypeId; }
    KorvelIndexedMeshInstance* CreateInstance() const override;

    // Resource and definition, the bones, and a skeleton of the instance's
    // own bound to them. Chunks without matrix slots are skinned in
    // software: each gets a copy of its own, flagged as such.
    void SetUp(Zel::Resource* resource, const KorvelIndexedMeshDefinition& definition);
    // What rendering a frame runs first: level 0's skin for that frame.
    void UpdateSkin(uint32_t frame);
    // Level 0's skin for the display's frame, then the plain render (or drawing).
    void Render(Zel::Display* display, const Zel::Viewport& viewport, Zel::Matrix4 matrix) override;
    void RenderGeometry(Zel::Display* display, const Zel::Viewport& viewport, const Zel::Matrix4& matrix,
                        bool lighting) override;
    Zel::ParticleBone* GetSkeletonInstance() const { return GetAttachedSkeleton(); }

    // Appends a copy of another skinned mesh's chunk (chunk sourceChunk of
    // the source's bones) skinned by the bones of the same names here: a
    // software chunk brings its influence sets, a display-skinned one its
    // matrix slots renumbered. False, and nothing changed, when the skinning
    // kinds differ or a display-skinned chunk names a bone we lack.
    virtual bool AddSkinnedChunk(Zel::GeometryChunk* chunk, Zel::Material* material, const KorvelInfluenceMesh* source,
                                 uint32_t sourceChunk);
    // Appends such a chunk's geometry to a private copy of chunk index; a
    // display-skinned merge also needs a program palette that holds every
    // matrix the joined chunk names.
    virtual bool MergeSkinnedChunk(Zel::GeometryChunk* chunk, uint32_t index, const KorvelInfluenceMesh* source,
                                   uint32_t sourceChunk);

protected:
    // The headless programs hold no matrix palette.
    virtual MatrixPalette GetMatrixPalette(const Zel::GeometryChunk&) const { return {}; }

private:
    // The chunk is flagged software exactly when it has no matrix slots, and
    // it is skinned the way our first chunk is.
    bool SkinningKindMatches(const Zel::GeometryChunk& chunk) const;
    // Source's level-0 sets of sourceChunk, bone by bone, joined into (or
    // added as) our sets of index with vertices moved by offset; the first
    // source bone we do not have ends the copying.
    void TakeSoftwareSets(const KorvelInfluenceMesh& source, uint32_t sourceChunk, uint32_t index,
                          uint32_t vertexOffset);
    // A slot of target per slot of from, by bone name; false for a bone we lack.
    bool MapMatrixSlots(const KorvelInfluenceMesh& source, const Zel::GeometryChunk& from, Zel::GeometryChunk& target,
                        std::vector<int>& slotMap) const;
};
