// KorvelIndexedMeshLODInstance and its skinned kind: levels copied from the definition, level choice by metric, per-level lighting and skins.
#include "mesh/indexed_mesh_lod_instance.h"

#include <algorithm>
#include <cmath>

#include "zel/display.h"
#include "zel/material.h"
#include "zel/view_point.h"

KorvelIndexedMeshLODInstance::KorvelIndexedMeshLODInstance(Zel::RenderKernel* kernel)
    : KorvelIndexedMeshInstance(kernel)
{}

void KorvelIndexedMeshLODInstance::SetLOD(uint32_t index)
{
    if (index >= records_.size())
        return;
    const MeshLODRecord& record = records_[index];
    chunkCount_ = static_cast<uint32_t>(record.chunks.Size());
    chunks_ = record.chunks;
    materials_ = record.materials;
    currentLevel_ = index;
}

int32_t KorvelIndexedMeshLODInstance::FindNamedIndex(const std::string& name) const
{
    for (const NamedLevel& named : names_) {
        if (named.name == name)
            return named.level;
    }
    return -1;
}

void KorvelIndexedMeshLODInstance::UnshareRecordChunks(uint32_t r)
{
    MeshLODRecord& record = records_[r];
    bool unique = false;
    for (size_t j = 0; j < record.chunks.Size(); ++j) {
        if ((record.chunks[j]->GetFlags() & ChunkFlagUnshared) == 0)
            continue;
        if (!unique) {
            record.chunks.MakeUnique();
            unique = true;
        }
        Zel::GeometryChunk* copy = CopyGeometryChunk(*record.chunks[j]);
        record.chunks.Set(j, copy);
        copy->ReleaseReference();
    }
}

void KorvelIndexedMeshLODInstance::SetLODDefinition(const KorvelIndexedMeshLODDefinition& definition)
{
    Zel::ObjectLOD::Init(definition.GetSwitchDistances(), definition.GetCalcPoint());
    names_ = definition.GetNamedLevels();
    SetTuning(definition.GetOffset(), definition.GetMultiplier());
    drawMinimum_ = definition.GetRenderCutOff();
    attachmentDistance_ = definition.GetAttachmentCutOff();
    records_.clear();
    dirty_.clear();
    for (size_t i = 0; i < definition.GetLevelCount(); ++i) {
        records_.push_back(definition.GetLevel(i));
        dirty_.push_back(true);
        UnshareRecordChunks(static_cast<uint32_t>(i));
    }
    dirtyCount_ = static_cast<uint32_t>(records_.size());
    Zel::LightTarget::SetUpdateLighting(true);
    SetDefinition(definition);
    int32_t collision = FindNamedIndex("collision");
    uint32_t last = distances_.empty() ? 0 : static_cast<uint32_t>(distances_.size() - 1);
    SetLOD(collision >= 0 ? static_cast<uint32_t>(collision) : last);
    drawn_ = 0;
}

void KorvelIndexedMeshLODInstance::Init(Zel::Resource* resource, const KorvelIndexedMeshLODDefinition& definition)
{
    SetResource(resource);
    SetLODDefinition(definition);
    AttachRecordBones(definition.GetSkeleton());
    definition.AddAttachmentPoints(*this);
    FindHiddenNodes(definition.GetCullAttachmentNames());
}

void KorvelIndexedMeshLODInstance::AttachRecordBones(const Zel::ParticleBone* skeleton)
{
    skeleton_ = AddSkeletonCopy(skeleton);
    recordBones_.assign(records_.size(), {});
    for (size_t i = 0; skeleton_ && i < records_.size(); ++i)
        recordBones_[i] = FindBoneParticles(skeleton_, records_[i].chunkBoneNames);
}

void KorvelIndexedMeshLODInstance::FindHiddenNodes(const std::vector<std::string>& names)
{
    hiddenNodes_.clear();
    hiddenParticles_.clear();
    for (const std::string& nodeName : names) {
        hiddenNodes_.emplace_back(nodeName, false);
        hiddenParticles_.push_back(FindByName(nodeName));
    }
}

void KorvelIndexedMeshLODInstance::HideFarNodes(float metric)
{
    for (size_t i = 0; i < hiddenNodes_.size(); ++i) {
        hiddenNodes_[i].second = attachmentDistance_ < metric;
        if (hiddenParticles_[i])
            hiddenParticles_[i]->SetHidden(hiddenNodes_[i].second);
    }
}

bool KorvelIndexedMeshLODInstance::Cull(float rawMetric)
{
    float metric = FindLOD(rawMetric);
    HideFarNodes(metric);
    if (opacity_ <= 0)
        return false;
    if (!locked_) {
        uint32_t level = FindLODIndex(metric);
        drawn_ = level < records_.size() ? level : 0;
    }
    return !(drawMinimum_ > metric);
}

float KorvelIndexedMeshLODInstance::MeasureLOD(const Zel::ViewPoint& viewpoint, float grow) const
{
    Zel::BoundingSphere sphere = GetGlobalBoundingSphere(true);
    float radius = sphere.radius + grow;
    const Zel::Vector3& camera = viewpoint.GetCameraPosition();
    float squared = 0;
    for (int k = 0; k < 3; ++k)
        squared += (camera[k] - sphere.centre[k]) * (camera[k] - sphere.centre[k]);
    float distance = std::sqrt(squared);
    if (calcPoint_ == 1)
        return std::max(0.0f, distance - radius);
    return calcPoint_ == 2 ? distance + radius : distance;
}

void KorvelIndexedMeshLODInstance::BeforeCull(Zel::ViewPoint& viewpoint, const Zel::Matrix4& /*matrix*/)
{
    cullMetric_ = FindLOD(MeasureLOD(viewpoint, 5.0f));
    HideFarNodes(cullMetric_);
}

void KorvelIndexedMeshLODInstance::AfterCull(Zel::ViewPoint& viewpoint, const Zel::Matrix4& matrix)
{
    const float metric = cullMetric_;
    if (opacity_ <= 0)
        SetLastCulledFrame(0);
    if (GetLastCulledFrame() != viewpoint.GetFrameNumber())
        return;
    if (!locked_) {
        uint32_t level = FindLODIndex(metric);
        drawn_ = level < records_.size() ? level : 0;
    }
    if (drawMinimum_ > metric || drawn_ >= records_.size())
        return;
    const MeshLODRecord& record = records_[drawn_];
    for (size_t i = 0; i < record.materials.Size(); ++i) {
        if (record.materials[i])
            record.materials[i]->Activate(-1);
    }
    viewpoint.Add(this, matrix);
    storedMatrix_ = matrix;
}

void KorvelIndexedMeshLODInstance::Render(Zel::Display* display, const Zel::Viewport& viewport, Zel::Matrix4 matrix)
{
    ApplyScale(matrix);
    UpdateLODLighting(display, viewport, matrix, GetLevel(), false);
    if (drawn_ >= records_.size())
        return;
    const MeshLODRecord& record = records_[drawn_];
    CacheChunks(display, viewport, matrix, static_cast<uint32_t>(record.chunks.Size()), record.chunks, record.materials,
                recordBones_[drawn_]);
}

void KorvelIndexedMeshLODInstance::RenderGeometry(Zel::Display* display, const Zel::Viewport& viewport,
                                                  const Zel::Matrix4& matrix, bool lighting)
{
    if (drawn_ < records_.size())
        DrawChunks(display, viewport, matrix, lighting, static_cast<uint32_t>(records_[drawn_].chunks.Size()),
                   records_[drawn_].chunks, records_[drawn_].materials);
}

void KorvelIndexedMeshLODInstance::SetOpacity(float opacity)
{
    opacity_ = opacity;
    for (size_t r = 0; r < records_.size() && r < distances_.size(); ++r) {
        for (size_t j = 0; j < records_[r].chunks.Size(); ++j)
            records_[r].chunks[j]->SetOpacity(opacity);
    }
    Zel::Particle::SetOpacity(opacity);
}

bool KorvelIndexedMeshLODInstance::UpdateLODLighting(Zel::Display* display, const Zel::Viewport& viewport,
                                                     const Zel::Matrix4& matrix, uint32_t level, bool force)
{
    if (level >= records_.size())
        return false;
    const MeshLODRecord& record = records_[level];
    bool dirty = level < dirty_.size() && dirty_[level];
    if (!dirty && !force)
        return false;
    CalculateLighting(display, viewport, matrix, static_cast<uint32_t>(record.chunks.Size()), record.chunks.Data(),
                      record.materials.Data());
    if (dirty) {
        dirty_[level] = false;
        if (dirtyCount_ > 0 && --dirtyCount_ == 0)
            ClearLightingChanged();
    }
    return true;
}

bool KorvelIndexedMeshLODInstance::UpdateLODLighting(uint32_t level, bool force)
{
    return UpdateLODLighting(nullptr, Zel::Viewport(), Zel::Matrix4::Identity(), level, force);
}

void KorvelIndexedMeshLODInstance::UpdateAllLODLighting(Zel::Display* display, const Zel::Viewport& viewport,
                                                        const Zel::Matrix4& matrix, bool all, bool force)
{
    size_t count = all ? distances_.size() : records_.size();
    for (size_t level = 0; level < count; ++level)
        UpdateLODLighting(display, viewport, matrix, static_cast<uint32_t>(level), force);
}

void KorvelIndexedMeshLODInstance::UpdateLighting(Zel::Display* display, const Zel::Viewport& viewport,
                                                  const Zel::Matrix4& matrix, bool force)
{
    UpdateLODLighting(display, viewport, matrix, currentLevel_, force);
}

void KorvelIndexedMeshLODInstance::SetUpdateLighting(bool value)
{
    dirty_.assign(records_.size(), value);
    Zel::LightTarget::SetUpdateLighting(value);
    dirtyCount_ = value ? static_cast<uint32_t>(records_.size()) : 0;
}

void KorvelIndexedMeshLODInstance::CopyLodInto(KorvelIndexedMeshLODInstance& target) const
{
    CopyInto(target);
    static_cast<Zel::ObjectLOD&>(target) = *this;
    target.names_ = names_;
    target.locked_ = locked_;
    target.dirtyCount_ = dirtyCount_;
    target.dirty_ = dirty_;
    target.Zel::LightTarget::SetUpdateLighting(IsLightingChanged());
    target.records_ = records_;
    for (uint32_t i = 0; i < target.records_.size(); ++i)
        target.UnshareRecordChunks(i);
    target.SetLOD(currentLevel_);
    target.drawn_ = 0;
    target.AttachRecordBones(skeleton_);
    std::vector<std::string> hidden;
    for (const auto& node : hiddenNodes_)
        hidden.push_back(node.first);
    target.FindHiddenNodes(hidden);
}

KorvelIndexedMeshInstance* KorvelIndexedMeshLODInstance::CreateInstance() const
{
    auto* copy = new KorvelIndexedMeshLODInstance(kernel_);
    CopyLodInto(*copy);
    return copy;
}

KorvelDynamicIndexedMeshLODInstance::KorvelDynamicIndexedMeshLODInstance(Zel::RenderKernel* kernel)
    : KorvelIndexedMeshLODInstance(kernel)
{}

void KorvelDynamicIndexedMeshLODInstance::SetUp(Zel::Resource* resource,
                                                const KorvelIndexedMeshLODDefinition& definition)
{
    KorvelIndexedMeshLODInstance::Init(resource, definition);
    boneHideDistance_ = definition.GetAnimationCutOff();
    std::vector<bool> hardware;
    for (const MeshLODRecord& record : records_)
        hardware.push_back(record.hardwareSkinning);
    BuildFromLODDefinition(definition.GetInfluences(), definition.GetAllBoneLevelWeights(), hardware);
    for (const NamedLevel& named : names_) {
        if (!named.animated || named.level < 0 || static_cast<uint32_t>(named.level) >= records_.size())
            continue;
        uint32_t level = static_cast<uint32_t>(named.level);
        if (std::find(keepAnimated_.begin(), keepAnimated_.end(), level) == keepAnimated_.end())
            keepAnimated_.push_back(level);
    }
    // Software levels rewrite their positions: each gets chunks of its own.
    for (uint32_t i = 0; i < records_.size(); ++i) {
        if (records_[i].hardwareSkinning)
            continue;
        records_[i].chunks.MakeUnique();
        for (size_t j = 0; j < records_[i].chunks.Size(); ++j) {
            Zel::GeometryChunk* copy = CopyGeometryChunk(*records_[i].chunks[j]);
            records_[i].chunks.Set(j, copy);
            copy->ReleaseReference();
        }
    }
    SetLOD(currentLevel_);
    AttachSkeleton(skeleton_);
}

void KorvelDynamicIndexedMeshLODInstance::AfterCull(Zel::ViewPoint& viewpoint, const Zel::Matrix4& matrix)
{
    KorvelIndexedMeshLODInstance::AfterCull(viewpoint, matrix);
    // A locked level still leaves the engine the metric of the plain sphere.
    if (locked_)
        FindLOD(MeasureLOD(viewpoint, 0));
}

void KorvelDynamicIndexedMeshLODInstance::Render(Zel::Display* display, const Zel::Viewport& viewport,
                                                 Zel::Matrix4 matrix)
{
    UpdateSkins(display ? display->GetFrameNumber() : 0);
    KorvelIndexedMeshLODInstance::Render(display, viewport, matrix);
}

void KorvelDynamicIndexedMeshLODInstance::RenderGeometry(Zel::Display* display, const Zel::Viewport& viewport,
                                                         const Zel::Matrix4& matrix, bool lighting)
{
    UpdateSkins(display ? display->GetFrameNumber() : 0);
    KorvelIndexedMeshLODInstance::RenderGeometry(display, viewport, matrix, lighting);
}

void KorvelDynamicIndexedMeshLODInstance::ShowOrHideBoneNodes(bool hidden)
{
    boneNodesHidden_ = hidden;
    for (const auto& child : GetChildren()) {
        const std::string& childName = child->name;
        if (childName.size() <= 2 || childName.compare(0, 2, "b.") != 0 || child->IsHidden() == hidden)
            continue;
        for (Zel::Particle* node : child->EnumerateParticles())
            node->SetHidden(hidden);
    }
}

void KorvelDynamicIndexedMeshLODInstance::UpdateSkins(uint32_t frame)
{
    float b = GetMetric(), c = GetMargin(), h = boneHideDistance_;
    if (b - c > h) {
        flags_ |= 2;
        ShowOrHideBoneNodes(true);
    } else if (b + c < h) {
        flags_ &= static_cast<uint8_t>(~2u);
        ShowOrHideBoneNodes(false);
    }
    if ((flags_ & 3) == 0)
        return;
    flags_ &= static_cast<uint8_t>(~1u);
    uint32_t level = GetLevel();
    if (drawn_ < records_.size()) {
        const MeshLODRecord& record = records_[drawn_];
        UpdateSkin(static_cast<uint32_t>(record.chunks.Size()), record.chunks, frame, level);
    }
    for (uint32_t keep : keepAnimated_) {
        if (keep != level && keep < records_.size())
            UpdateSkin(static_cast<uint32_t>(records_[keep].chunks.Size()), records_[keep].chunks, frame, keep);
    }
}

KorvelIndexedMeshInstance* KorvelDynamicIndexedMeshLODInstance::CreateInstance() const
{
    auto* copy = new KorvelDynamicIndexedMeshLODInstance(kernel_);
    CopyLodInto(*copy);
    copy->CopyInfluenceMesh(*this);
    copy->boneHideDistance_ = boneHideDistance_;
    copy->flags_ = static_cast<uint8_t>((copy->flags_ & ~1u) | (flags_ & 1u));
    copy->keepAnimated_ = keepAnimated_;
    copy->AttachSkeleton(copy->skeleton_);
    for (uint32_t i = 0; i < copy->records_.size(); ++i) {
        MeshLODRecord& record = copy->records_[i];
        record.chunks.MakeUnique();
        for (size_t j = 0; j < record.chunks.Size(); ++j) {
            if ((record.chunks[j]->GetFlags() & ChunkFlagRefused) != 0)
                continue;
            Zel::GeometryChunk* chunk = CopyGeometryChunk(*record.chunks[j]);
            record.chunks.Set(j, chunk);
            chunk->ReleaseReference();
        }
    }
    copy->SetLOD(currentLevel_);
    return copy;
}
