// KorvelInfluenceMesh: building and linking bones, the bind pose, and the skin update on the display or in software.
#include "mesh/influence_mesh.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>
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
    const auto copyOne = [](const Zel::ParticleBone& from) {
        auto copy = std::make_unique<Zel::ParticleBone>();
        copy->name = from.name;
        memcpy(copy->position, from.position, sizeof copy->position);
        memcpy(copy->orientation, from.orientation, sizeof copy->orientation);
        memcpy(copy->boundsMin, from.boundsMin, sizeof copy->boundsMin);
        memcpy(copy->boundsMax, from.boundsMax, sizeof copy->boundsMax);
        copy->SetFramePosition(from.GetFramePosition());
        copy->SetFrameOrientation(from.GetFrameOrientation());
        return copy;
    };
    // Without recursion: a skeleton may be one long chain. Each bone's copies
    // of its children are added together, in their order.
    std::unique_ptr<Zel::ParticleBone> top = copyOne(bone);
    std::vector<std::pair<const Zel::ParticleBone*, Zel::ParticleBone*>> pending{{&bone, top.get()}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        for (const Zel::ParticleBone* child : from->children)
            pending.emplace_back(child, to->Add(copyOne(*child)));
    }
    return top;
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
    // Per name, its first two bones: a bone's parent is the first other bone
    // of the parent's name, found without a scan per bone.
    std::unordered_map<std::string_view, std::pair<size_t, size_t>> byName;
    constexpr size_t kNone = SIZE_MAX;
    for (size_t i = 0; i < bones_.size(); ++i) {
        auto [entry, fresh] = byName.try_emplace(bones_[i].name, i, kNone);
        if (!fresh && entry->second.second == kNone)
            entry->second.second = i;
    }
    for (size_t i = 0; i < bones_.size(); ++i) {
        if (bones_[i].parent.empty()) {
            root_ = static_cast<int>(i);
            continue;
        }
        auto found = byName.find(bones_[i].parent);
        if (found == byName.end())
            continue;
        const size_t p = found->second.first != i ? found->second.first : found->second.second;
        if (p != kNone)
            bones_[p].children.push_back(i);
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
    // Each bone binds to the first bone of its name depth-first (what
    // FindByName answers), looked up in one map rather than a walk per bone.
    std::unordered_map<std::string_view, Zel::ParticleBone*> nodes;
    if (root) {
        for (Zel::Particle* node : root->EnumerateParticles()) {
            if (auto* bone = dynamic_cast<Zel::ParticleBone*>(node))
                nodes.try_emplace(bone->name, bone);
        }
    }
    for (InfluenceBone& bone : bones_) {
        auto found = nodes.find(bone.name);
        bone.node = found == nodes.end() ? nullptr : found->second;
    }
    if (root_ >= 0)
        ComputeBindPose(static_cast<size_t>(root_), Zel::Matrix4::Identity());
}

void KorvelInfluenceMesh::ComputeBindPose(size_t index, const Zel::Matrix4& parentWorld)
{
    // Without recursion: the bones may be one long chain. Each bone's pose
    // depends on its parent's only, so the order among siblings is free.
    std::vector<std::pair<size_t, Zel::Matrix4>> pending{{index, parentWorld}};
    while (!pending.empty()) {
        const auto [at, parent] = pending.back();
        pending.pop_back();
        InfluenceBone& bone = bones_[at];
        Zel::Matrix4 world = LocalMatrix(bone) * parent;
        bone.skin = world;
        if (bone.node)
            world.Invert(bone.inverseBind);
        for (size_t child : bone.children)
            pending.emplace_back(child, world);
    }
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
    // Each bone's children, in order, before the bone itself: software skins
    // add up float shares, so the order of the sums is kept. Without
    // recursion, as the bones may be one long chain.
    struct Open {
        size_t bone;
        Zel::Matrix4 world;
        size_t next = 0;
    };
    std::vector<Open> open{{index, LocalMatrix(bones_[index]) * parentWorld}};
    while (!open.empty()) {
        Open& top = open.back();
        const std::vector<size_t>& children = bones_[top.bone].children;
        if (top.next < children.size()) {
            const size_t child = children[top.next++];
            Zel::Matrix4 world = LocalMatrix(bones_[child]) * top.world;
            open.push_back({child, world});
            continue;
        }
        SkinBone(bones_[top.bone], top.world, level, hardware, chunkCount, chunks);
        open.pop_back();
    }
}

void KorvelInfluenceMesh::SkinBone(InfluenceBone& bone, const Zel::Matrix4& world, uint32_t level, bool hardware,
                                   uint32_t chunkCount, const RefArrayRef<Zel::GeometryChunk>& chunks)
{
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
