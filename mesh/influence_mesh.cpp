// KorvelInfluenceMesh: building and linking bones, the bind pose, and the skin update on the display or in software.
#include "mesh/influence_mesh.h"

#include <cstring>
#include <utility>

namespace {

Zel::Matrix4 LocalMatrix(const InfluenceBone& bone)
{
    // A bound bone follows its node's current placement; an unbound one stays at rest.
    if (bone.node)
        return Zel::Matrix4::FromRotationTranslation(bone.node->orientation, bone.node->position);
    return Zel::Matrix4::FromRotationTranslation(bone.restOrientation, bone.restPosition);
}

InfluenceBone MakeBone(const InfluenceDefinition& definition)
{
    InfluenceBone bone;
    bone.name = definition.name;
    bone.parent = definition.parent;
    memcpy(bone.restPosition, definition.position, sizeof bone.restPosition);
    Zel::QuaternionFromMatrix(definition.orientation, bone.restOrientation);
    return bone;
}

}  // namespace

std::unique_ptr<Zel::ParticleBone> CopyBoneTree(const Zel::ParticleBone& bone)
{
    auto copy = std::make_unique<Zel::ParticleBone>();
    copy->name = bone.name;
    memcpy(copy->position, bone.position, sizeof copy->position);
    memcpy(copy->orientation, bone.orientation, sizeof copy->orientation);
    memcpy(copy->boundsMin, bone.boundsMin, sizeof copy->boundsMin);
    memcpy(copy->boundsMax, bone.boundsMax, sizeof copy->boundsMax);
    copy->SetFramePosition(bone.GetFramePosition());
    copy->SetFrameOrientation(bone.GetFrameOrientation());
    for (const auto& child : bone.children)
        copy->Add(CopyBoneTree(*child));
    return copy;
}

void KorvelInfluenceMesh::BuildFromDefinition(const std::vector<InfluenceDefinition>& bones, bool hardware)
{
    bones_.clear();
    frameStamps_.clear();
    for (const InfluenceDefinition& definition : bones) {
        InfluenceBone bone = MakeBone(definition);
        InfluenceBone::Level level;
        level.hardware = hardware;
        if (!hardware)
            level.sets = definition.entries;
        bone.levels.push_back(std::move(level));
        bones_.push_back(std::move(bone));
        frameStamps_.push_back(0);
    }
    LinkBones();
}

void KorvelInfluenceMesh::BuildFromLODDefinition(
    const std::vector<InfluenceDefinition>& bones,
    const std::vector<std::vector<std::vector<InfluenceChunkWeights>>>& levelWeights,
    const std::vector<bool>& hardwareLevels)
{
    bones_.clear();
    frameStamps_.clear();
    for (size_t b = 0; b < bones.size(); ++b) {
        InfluenceBone bone = MakeBone(bones[b]);
        for (size_t l = 0; l < hardwareLevels.size(); ++l) {
            InfluenceBone::Level level;
            level.hardware = hardwareLevels[l];
            if (!level.hardware && b < levelWeights.size() && l < levelWeights[b].size())
                level.sets = levelWeights[b][l];
            bone.levels.push_back(std::move(level));
            frameStamps_.push_back(0);
        }
        bones_.push_back(std::move(bone));
    }
    LinkBones();
}

void KorvelInfluenceMesh::LinkBones()
{
    root_ = -1;
    for (InfluenceBone& bone : bones_)
        bone.children.clear();
    for (size_t i = 0; i < bones_.size(); ++i) {
        if (bones_[i].parent.empty()) {
            root_ = static_cast<int>(i);
            continue;
        }
        for (size_t p = 0; p < bones_.size(); ++p) {
            if (p != i && bones_[p].name == bones_[i].parent) {
                bones_[p].children.push_back(i);
                break;
            }
        }
    }
}

void KorvelInfluenceMesh::CopyInfluenceMesh(const KorvelInfluenceMesh& source)
{
    bones_ = source.bones_;
    for (InfluenceBone& bone : bones_)
        bone.node = nullptr;
    frameStamps_.assign(source.frameStamps_.size(), 0);
    skeletonRoot_ = nullptr;
    LinkBones();
}

void KorvelInfluenceMesh::SetUpSkinning(const KorvelIndexedMeshDefinition& definition, Zel::Particle& node)
{
    BuildFromDefinition(definition.GetInfluences(), definition.UsesHardwareSkinning());
    AttachSkeleton(definition.GetSkeleton() ? node.Add(CopyBoneTree(*definition.GetSkeleton())) : nullptr);
}

void KorvelInfluenceMesh::CopySkinning(const KorvelInfluenceMesh& source, Zel::Particle& node)
{
    CopyInfluenceMesh(source);
    Zel::ParticleBone* skeleton = source.skeletonRoot_ ? node.Add(CopyBoneTree(*source.skeletonRoot_)) : nullptr;
    // Bound again at the copy's node named as the root bone.
    Zel::ParticleBone* root = skeleton && GetRootBone() ? skeleton->FindByName(GetRootBone()->name) : nullptr;
    AttachSkeleton(root ? root : skeleton);
}

void KorvelInfluenceMesh::AttachSkeleton(Zel::ParticleBone* root)
{
    skeletonRoot_ = root;
    for (InfluenceBone& bone : bones_) {
        bone.node = root ? const_cast<Zel::ParticleBone*>(root->FindByName(bone.name)) : nullptr;
    }
    if (root_ >= 0)
        ComputeBindPose(static_cast<size_t>(root_), Zel::Matrix4::Identity());
}

void KorvelInfluenceMesh::ComputeBindPose(size_t index, const Zel::Matrix4& parentWorld)
{
    InfluenceBone& bone = bones_[index];
    Zel::Matrix4 world = LocalMatrix(bone) * parentWorld;
    bone.skin = world;
    if (bone.node)
        world.Invert(bone.inverseBind);
    for (size_t child : bone.children)
        ComputeBindPose(child, world);
}

bool KorvelInfluenceMesh::LevelIsHardware(uint32_t level) const
{
    return !bones_.empty() && level < bones_[0].levels.size() && bones_[0].levels[level].hardware;
}

void KorvelInfluenceMesh::ClearSkinnedPositions(uint32_t chunkCount, const RefArrayRef<Zel::GeometryChunk>& chunks,
                                                uint32_t level)
{
    if (LevelIsHardware(level))
        return;
    for (uint32_t c = 0; c < chunkCount && c < chunks.Size(); ++c) {
        Zel::VertexStream positions = chunks[c]->GetItem(Zel::ItemPosition);
        for (uint32_t v = 0; positions && v < chunks[c]->GetVertexCount(); ++v)
            memset(positions.data + size_t{v} * positions.stride, 0, 12);
    }
}

void KorvelInfluenceMesh::UpdateSkin(uint32_t chunkCount, const RefArrayRef<Zel::GeometryChunk>& chunks, uint32_t frame,
                                     uint32_t level)
{
    if (level >= frameStamps_.size() && !frameStamps_.empty())
        return;
    if (!frameStamps_.empty()) {
        if (frame != 0 && frameStamps_[level] == frame)
            return;
        frameStamps_[level] = frame;
    }
    ClearSkinnedPositions(chunkCount, chunks, level);
    if (root_ >= 0)
        UpdateBone(static_cast<size_t>(root_), Zel::Matrix4::Identity(), level, LevelIsHardware(level), chunkCount,
                   chunks);
}

void KorvelInfluenceMesh::UpdateBone(size_t index, const Zel::Matrix4& parentWorld, uint32_t level, bool hardware,
                                     uint32_t chunkCount, const RefArrayRef<Zel::GeometryChunk>& chunks)
{
    InfluenceBone& bone = bones_[index];
    Zel::Matrix4 world = LocalMatrix(bone) * parentWorld;
    for (size_t child : bone.children)
        UpdateBone(child, world, level, hardware, chunkCount, chunks);
    if (hardware) {
        bone.skin = bone.inverseBind * world;
        return;
    }
    if (level >= bone.levels.size())
        return;
    for (const InfluenceChunkWeights& set : bone.levels[level].sets) {
        if (set.chunk >= chunkCount || set.chunk >= chunks.Size())
            continue;
        Zel::GeometryChunk* chunk = chunks[set.chunk];
        Zel::VertexStream positions = chunk->GetItem(Zel::ItemPosition);
        if (!positions)
            continue;
        uint32_t vertices = chunk->GetVertexCount();
        for (const InfluenceWeight& weight : set.weights) {
            // An influence on a vertex the chunk lacks is ignored.
            if (weight.vertex >= vertices)
                continue;
            float moved[3], position[3];
            world.TransformPoint(weight.extra, moved);
            uint8_t* at = positions.data + size_t{weight.vertex} * positions.stride;
            memcpy(position, at, 12);
            for (int k = 0; k < 3; ++k)
                position[k] += weight.weight * moved[k];
            memcpy(at, position, 12);
        }
    }
}

int KorvelInfluenceMesh::FindBone(const std::string& name) const
{
    for (size_t i = 0; i < bones_.size(); ++i) {
        if (bones_[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

const InfluenceChunkWeights* KorvelInfluenceMesh::FindLevelZeroSet(size_t bone, uint32_t chunk) const
{
    if (bone >= bones_.size() || bones_[bone].levels.empty())
        return nullptr;
    for (const InfluenceChunkWeights& set : bones_[bone].levels[0].sets) {
        if (set.chunk == chunk)
            return &set;
    }
    return nullptr;
}

InfluenceChunkWeights* KorvelInfluenceMesh::FindLevelZeroSet(size_t bone, uint32_t chunk)
{
    return const_cast<InfluenceChunkWeights*>(std::as_const(*this).FindLevelZeroSet(bone, chunk));
}

bool KorvelInfluenceMesh::AppendInfluenceSet(size_t bone, const InfluenceChunkWeights& set)
{
    if (bone >= bones_.size() || bones_[bone].levels.empty())
        return false;
    bones_[bone].levels[0].sets.push_back(set);
    return true;
}

void KorvelInfluenceMesh::JoinInfluenceSets(InfluenceChunkWeights& target, const InfluenceChunkWeights& source,
                                            uint32_t vertexOffset)
{
    target.weights.reserve(target.weights.size() + source.weights.size());
    for (InfluenceWeight weight : source.weights) {
        weight.vertex += vertexOffset;
        target.weights.push_back(weight);
    }
}
