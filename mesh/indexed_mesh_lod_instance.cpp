// KorvelIndexedMeshLODInstance and its skinned kind: levels copied from the definition, level choice by metric, per-level lighting and skins.
#include "mesh/indexed_mesh_lod_instance.h"

#include <algorithm>

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
    lightsChanged_ = true;
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
    skeleton_ = definition.GetSkeleton() ? CopyBoneTree(*definition.GetSkeleton()) : nullptr;
    recordBones_.assign(records_.size(), {});
    for (size_t i = 0; skeleton_ && i < records_.size(); ++i) {
        for (const std::string& bone : records_[i].chunkBoneNames)
            recordBones_[i].push_back(bone.empty() ? nullptr : skeleton_->FindByName(bone));
    }
    hiddenNodes_.clear();
    for (const std::string& name : definition.GetCullAttachmentNames())
        hiddenNodes_.emplace_back(name, false);
}

bool KorvelIndexedMeshLODInstance::Cull(float rawMetric)
{
    float metric = FindLOD(rawMetric);
    for (auto& node : hiddenNodes_)
        node.second = attachmentDistance_ < metric;
    if (opacity_ <= 0)
        return false;
    if (!locked_) {
        uint32_t level = FindLODIndex(metric);
        drawn_ = level < records_.size() ? level : 0;
    }
    return !(drawMinimum_ > metric);
}

bool KorvelIndexedMeshLODInstance::UpdateLODLighting(uint32_t level, bool force)
{
    if (level < dirty_.size() && dirty_[level]) {
        ++lightingCalculations_;
        dirty_[level] = false;
        if (dirtyCount_ > 0 && --dirtyCount_ == 0)
            lightsChanged_ = false;
        return true;
    }
    if (force && level < records_.size()) {
        ++lightingCalculations_;
        return true;
    }
    return false;
}

void KorvelIndexedMeshLODInstance::SetUpdateLighting(bool value)
{
    dirty_.assign(records_.size(), value);
    lightsChanged_ = value;
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
    target.lightsChanged_ = lightsChanged_;
    target.records_ = records_;
    for (uint32_t i = 0; i < target.records_.size(); ++i)
        target.UnshareRecordChunks(i);
    target.SetLOD(currentLevel_);
    target.drawn_ = 0;
    target.skeleton_ = skeleton_ ? CopyBoneTree(*skeleton_) : nullptr;
    target.recordBones_.assign(records_.size(), {});
    for (size_t i = 0; target.skeleton_ && i < records_.size(); ++i) {
        for (const std::string& bone : records_[i].chunkBoneNames)
            target.recordBones_[i].push_back(bone.empty() ? nullptr : target.skeleton_->FindByName(bone));
    }
    for (const auto& node : hiddenNodes_)
        target.hiddenNodes_.emplace_back(node.first, false);
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
    AttachSkeleton(skeleton_.get());
}

void KorvelDynamicIndexedMeshLODInstance::UpdateSkins(uint32_t frame)
{
    float b = GetMetric(), c = GetMargin(), h = boneHideDistance_;
    if (b - c > h) {
        flags_ |= 2;
        boneNodesHidden_ = true;
    } else if (b + c < h) {
        flags_ &= static_cast<uint8_t>(~2u);
        boneNodesHidden_ = false;
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
    copy->AttachSkeleton(copy->skeleton_.get());
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
