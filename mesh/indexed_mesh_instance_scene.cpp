// KorvelIndexedMeshInstance as a scene node: its skeleton child and bone particles, cull, render and lighting.
#include <cmath>
#include <memory>

#include "mesh/indexed_mesh_instance.h"
#include "mesh/influence_mesh.h"
#include "zel/display.h"
#include "zel/material.h"
#include "zel/view_point.h"

namespace {

Zel::Matrix16 ToMatrix16(const Zel::Matrix4& matrix)
{
    Zel::Matrix16 out{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            out[static_cast<size_t>(r * 4 + c)] = matrix.m[r][c];
    }
    return out;
}

}  // namespace

void KorvelIndexedMeshInstance::SetOpacity(float opacity)
{
    opacity_ = opacity;
    for (uint32_t i = 0; i < chunkCount_ && i < chunks_.Size(); ++i)
        chunks_[i]->SetOpacity(opacity);
    Zel::Particle::SetOpacity(opacity);
}

Zel::ParticleBone* KorvelIndexedMeshInstance::AddSkeletonCopy(const Zel::ParticleBone* skeleton)
{
    return skeleton ? Add(CopyBoneTree(*skeleton)) : nullptr;
}

std::vector<Zel::Particle*> KorvelIndexedMeshInstance::FindBoneParticles(Zel::ParticleBone* skeleton,
                                                                         const std::vector<std::string>& boneNames)
{
    std::vector<Zel::Particle*> bones;
    for (const std::string& bone : boneNames)
        bones.push_back(bone.empty() || !skeleton ? nullptr : skeleton->FindByName(bone));
    return bones;
}

void KorvelIndexedMeshInstance::AfterCull(Zel::ViewPoint& viewpoint, const Zel::Matrix4& matrix)
{
    if (opacity_ <= 0)
        return;
    int mip = viewpoint.CalcWantedMipLevelsForCull(*this, textureDetail_);
    for (uint32_t i = 0; i < chunkCount_ && i < materials_.Size(); ++i) {
        if (materials_[i])
            materials_[i]->Activate(mip);
    }
    viewpoint.Add(this, matrix);
    storedMatrix_ = matrix;
}

void KorvelIndexedMeshInstance::ApplyScale(Zel::Matrix4& matrix) const
{
    if (!scaled_)
        return;
    for (int r = 0; r < 3; ++r)
        matrix.ScaleRow(r, scale_[r]);
}

void KorvelIndexedMeshInstance::Render(Zel::Display* display, const Zel::Viewport& viewport, Zel::Matrix4 matrix)
{
    ApplyScale(matrix);
    UpdateLighting(display, viewport, matrix, false);
    CacheChunks(display, viewport, matrix, chunkCount_, chunks_, materials_, boneParticles_);
}

void KorvelIndexedMeshInstance::CacheChunks(Zel::Display* display, const Zel::Viewport& viewport,
                                            const Zel::Matrix4& matrix, uint32_t chunkCount,
                                            const RefArrayRef<Zel::GeometryChunk>& chunks,
                                            const RefArrayRef<Zel::Material>& materials,
                                            const std::vector<Zel::Particle*>& bones)
{
    uint32_t frame = display ? display->GetFrameNumber() : 0;
    for (uint32_t i = 0; i < chunkCount && i < chunks.Size() && i < materials.Size(); ++i) {
        Zel::GeometryChunk* chunk = chunks[i];
        if (chunk->GetFaceCount() == 0 || !materials[i])
            continue;
        Zel::Matrix4 placed = matrix;
        if (!bones.empty()) {
            const Zel::Particle* bone = i < bones.size() ? bones[i] : nullptr;
            // A chunk rides its bone: not drawn unless the bone was culled this frame.
            if (!bone || bone->GetLastCulledFrame() != frame)
                continue;
            placed = bone->GetLocalToGlobalMatrix();
        }
        materials[i]->CacheChunk(display, &viewport, chunk, &GetLightList(), ToMatrix16(placed));
    }
}

void KorvelIndexedMeshInstance::UpdateLighting(Zel::Display* display, const Zel::Viewport& viewport,
                                               const Zel::Matrix4& matrix, bool force)
{
    if (IsLightingChanged() || force)
        CalculateLighting(display, viewport, matrix, chunkCount_, chunks_.Data(), materials_.Data());
    ClearLightingChanged();
}

void KorvelIndexedMeshInstance::RenderGeometry(Zel::Display* display, const Zel::Viewport& viewport,
                                               const Zel::Matrix4& matrix, bool lighting)
{
    DrawChunks(display, viewport, matrix, lighting, chunkCount_, chunks_, materials_);
}

void KorvelIndexedMeshInstance::DrawChunks(Zel::Display* display, const Zel::Viewport& viewport,
                                           const Zel::Matrix4& matrix, bool lighting, uint32_t chunkCount,
                                           const RefArrayRef<Zel::GeometryChunk>& chunks,
                                           const RefArrayRef<Zel::Material>& materials)
{
    Zel::Matrix16 world = ToMatrix16(matrix);
    for (uint32_t i = 0; i < chunkCount && i < chunks.Size(); ++i) {
        Zel::GeometryChunk* chunk = chunks[i];
        if (chunk->GetFaceCount() == 0)
            continue;
        if (display)
            display->SetWorldMatrix(world);
        const Zel::VertexProgram* program = chunk->GetVertexProgram(0);
        if (lighting && i < materials.Size() && materials[i]) {
            Zel::Matrix16 view = viewport.view;
            materials[i]->SetLightingState(display, &view, chunk, program, &GetLightList(), world, opacity_, true);
        }
        chunk->RenderGeometry(display, &viewport, program, true, 0);
    }
}
