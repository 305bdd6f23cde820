// KorvelIndexedMeshDefinition: what a load derives — skeleton from influences, blend data, bounds, texel scale, oriented box.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "mesh/indexed_mesh_definition.h"

namespace {

// Bones whose chain of parents never reaches the root (a cycle, or a bone
// left without a parent) are hung under the root, taken in index order: a
// bone is rehung when its chain, as it stands at its turn, misses the root.
// An earlier bone reaches the root by then, rehung or not, so a bone's chain
// fails exactly when it meets no earlier bone and not the root before it
// runs into a cycle of later bones. That is worked out for all bones in one
// pass over the parent links instead of a walk per bone.
void HangUnrootedUnderRoot(std::vector<int>& parentOf, int root)
{
    const size_t count = parentOf.size();
    constexpr size_t kNone = SIZE_MAX;
    // Per bone: whether its chain ends at the root, and the lowest index
    // among the bones its chain passes after it.
    std::vector<uint8_t> reachesRoot(count, 0);
    std::vector<size_t> lowestAhead(count, kNone);
    enum : uint8_t { Unseen, OnPath, Done };
    std::vector<uint8_t> state(count, Unseen);
    state[static_cast<size_t>(root)] = Done;
    reachesRoot[static_cast<size_t>(root)] = 1;
    std::vector<size_t> path;
    for (size_t start = 0; start < count; ++start) {
        if (state[start] != Unseen)
            continue;
        path.clear();
        size_t at = start;
        for (;;) {
            state[at] = OnPath;
            path.push_back(at);
            const int next = parentOf[at];
            if (next < 0 || state[static_cast<size_t>(next)] == Done)
                break;
            if (state[static_cast<size_t>(next)] == OnPath) {
                // A cycle: every bone on it passes all the others.
                size_t lowest = kNone;
                size_t k = path.size();
                do {
                    --k;
                    lowest = std::min(lowest, path[k]);
                } while (path[k] != static_cast<size_t>(next));
                for (size_t c = k; c < path.size(); ++c) {
                    lowestAhead[path[c]] = lowest;
                    state[path[c]] = Done;
                }
                path.resize(k);
                break;
            }
            at = static_cast<size_t>(next);
        }
        // The bones before the cycle or the known end, nearest it first.
        while (!path.empty()) {
            const size_t bone = path.back();
            path.pop_back();
            const int next = parentOf[bone];
            if (next >= 0) {
                const auto parent = static_cast<size_t>(next);
                reachesRoot[bone] = reachesRoot[parent];
                lowestAhead[bone] = std::min(parent, lowestAhead[parent]);
            }
            state[bone] = Done;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        if (static_cast<int>(i) != root && !reachesRoot[i] && !(lowestAhead[i] < i))
            parentOf[i] = root;
    }
}

}  // namespace

void KorvelIndexedMeshDefinition::BuildSkeletonFromInfluences()
{
    if (influences_.empty())
        return;
    std::vector<std::unique_ptr<Zel::ParticleBone>> bones;
    for (const InfluenceDefinition& influence : influences_) {
        auto bone = std::make_unique<Zel::ParticleBone>();
        bone->name = influence.name;
        memcpy(bone->position, influence.position, sizeof bone->position);
        Zel::QuaternionFromMatrix(influence.orientation, bone->orientation);
        // The rest frame the skeleton returns to without animation.
        bone->SetFramePosition(bone->GetPosition());
        bone->SetFrameOrientation(bone->GetOrientation());
        bones.push_back(std::move(bone));
    }
    int root = -1;
    for (size_t i = 0; i < influences_.size(); ++i) {
        if (!influences_[i].parent.empty())
            continue;
        if (root < 0)
            root = static_cast<int>(i);
        else
            influences_[i].parent = influences_[static_cast<size_t>(root)].name;
    }
    if (root < 0)
        return;
    // Attach children to parents by name. Bones are moved into their parents
    // only once all links are known, so a parent still has its pointer.
    std::vector<Zel::ParticleBone*> raw;
    for (auto& bone : bones)
        raw.push_back(bone.get());
    // A parent is the first bone of its name, found in a map rather than by
    // a scan per bone (the influences of a text description are unbounded).
    std::unordered_map<std::string_view, int> firstOfName;
    for (size_t i = 0; i < influences_.size(); ++i)
        firstOfName.try_emplace(influences_[i].name, static_cast<int>(i));
    std::vector<int> parentOf(influences_.size(), -1);
    for (size_t i = 0; i < influences_.size(); ++i) {
        if (static_cast<int>(i) == root || influences_[i].parent.empty())
            continue;
        auto found = firstOfName.find(influences_[i].parent);
        int parent = found == firstOfName.end() ? -1 : found->second;
        // A bone cannot hang under itself; an unknown parent means the root.
        if (parent < 0 || parent == static_cast<int>(i)) {
            influences_[i].parent = influences_[static_cast<size_t>(root)].name;
            parent = root;
        }
        parentOf[i] = parent;
    }
    HangUnrootedUnderRoot(parentOf, root);
    // Each parent takes its children in index order. Going down from the
    // root, a bone is adopted before it has children of its own, so no
    // adoption walks up a long chain to look for a loop.
    std::vector<std::vector<size_t>> childrenOf(bones.size());
    for (size_t i = 0; i < bones.size(); ++i) {
        if (parentOf[i] >= 0)
            childrenOf[static_cast<size_t>(parentOf[i])].push_back(i);
    }
    std::vector<size_t> pending{static_cast<size_t>(root)};
    while (!pending.empty()) {
        const size_t parent = pending.back();
        pending.pop_back();
        for (size_t child : childrenOf[parent]) {
            raw[parent]->Add(std::move(bones[child]));
            pending.push_back(child);
        }
    }
    skeletonRoot_ = std::move(bones[static_cast<size_t>(root)]);
}

namespace {

uint8_t Byte(uint32_t word, int k)
{
    return static_cast<uint8_t>(word >> (8 * k));
}

uint32_t WithByte(uint32_t word, int k, uint8_t value)
{
    return (word & ~(0xFFu << (8 * k))) | uint32_t{value} << (8 * k);
}

template <class T>
T Load(const uint8_t* at)
{
    T value;
    memcpy(&value, at, sizeof value);
    return value;
}

template <class T>
void Store(uint8_t* at, T value)
{
    memcpy(at, &value, sizeof value);
}

// Adds one weight for register r to vertex v of a chunk with float weights
// of n per vertex; byte 0xFE marks a vertex's next free slot.
void AddFloatWeight(uint8_t* weights, uint8_t* indexAt, int n, float w, uint8_t r)
{
    uint32_t index = Load<uint32_t>(indexAt);
    for (int slot = n - 1; slot >= 1; --slot) {
        if (Byte(index, slot) != 0xFE)
            continue;
        Store(weights + 4 * slot, w);
        index = WithByte(index, slot, r);
        if (slot + 1 < n)
            index = WithByte(index, slot + 1, 0xFE);
        Store(indexAt, index);
        return;
    }
    for (int slot = 0; slot < n; ++slot)
        Store(weights + 4 * slot, slot == 0 ? w : 0.0f);
    Store(indexAt, n == 1 ? uint32_t{r} : uint32_t{r} + 0xFE00u);
}

void AddPackedWeight(uint8_t* weightAt, uint8_t* indexAt, float w, uint8_t r)
{
    uint8_t value = static_cast<uint8_t>(static_cast<int>(w * 255.0f));
    uint32_t weight = Load<uint32_t>(weightAt);
    uint32_t index = Load<uint32_t>(indexAt);
    for (int slot = 3; slot >= 1; --slot) {
        if (Byte(index, slot) != 0xFE)
            continue;
        weight = WithByte(weight, slot, value);
        index = WithByte(index, slot, r);
        if (slot < 3)
            index = WithByte(index, slot + 1, 0xFE);
        Store(weightAt, weight);
        Store(indexAt, index);
        return;
    }
    Store(weightAt, uint32_t{value});
    Store(indexAt, uint32_t{r} + 0xFE00u);
}

}  // namespace

void AddChunkInfluenceWeights(Zel::GeometryChunk* chunk, int bone, const InfluenceChunkWeights& entry)
{
    if ((chunk->GetFlags() & 0x40u) != 0 || entry.weights.size() > chunk->GetVertexCount())
        return;
    Zel::VertexStream indices = chunk->GetItem(Zel::ItemBlendIndices);
    int weightItem = 0;
    for (int item : {int(Zel::ItemPackedWeights), 5, 6, 7, 8}) {
        if (chunk->HasItem(item)) {
            weightItem = item;
            break;
        }
    }
    if (!indices || weightItem == 0)
        return;
    Zel::VertexStream weights = chunk->GetItem(weightItem);
    int slot = chunk->AddInfluenceMatrix(bone);
    uint8_t r = static_cast<uint8_t>(3 * slot);
    for (const InfluenceWeight& weight : entry.weights) {
        // Weights naming a vertex the chunk lacks are dropped.
        if (weight.vertex >= chunk->GetVertexCount())
            continue;
        uint8_t* weightAt = weights.data + size_t{weight.vertex} * weights.stride;
        uint8_t* indexAt = indices.data + size_t{weight.vertex} * indices.stride;
        if (weightItem == Zel::ItemPackedWeights)
            AddPackedWeight(weightAt, indexAt, weight.weight, r);
        else
            AddFloatWeight(weightAt, indexAt, weightItem - 4, weight.weight, r);
    }
}

void KorvelIndexedMeshDefinition::AddInfluenceMatrices()
{
    for (size_t n = 0; n < influences_.size(); ++n) {
        const InfluenceDefinition* influence = &influences_[n];
        if (boneNameTable_ && n < boneNameTable_->size()) {
            for (const InfluenceDefinition& candidate : influences_) {
                if (candidate.name == (*boneNameTable_)[n]) {
                    influence = &candidate;
                    break;
                }
            }
        }
        for (const InfluenceChunkWeights& entry : influence->entries) {
            if (entry.weights.empty() || entry.chunk >= chunks_.Size())
                continue;
            AddChunkInfluenceWeights(chunks_[entry.chunk], static_cast<int>(n), entry);
        }
    }
}

void KorvelIndexedMeshDefinition::ComputeBounds()
{
    bool seen = false;
    for (size_t i = 0; i < chunks_.Size(); ++i) {
        Zel::VertexStream positions = chunks_[i]->GetItem(Zel::ItemPosition);
        for (uint32_t v = 0; positions && v < chunks_[i]->GetVertexCount(); ++v) {
            float p[3];
            memcpy(p, positions.data + size_t{v} * positions.stride, 12);
            for (int k = 0; k < 3; ++k) {
                if (!seen || p[k] > boundsMax_[k])
                    boundsMax_[k] = p[k];
                if (!seen || p[k] < boundsMin_[k])
                    boundsMin_[k] = p[k];
            }
            seen = true;
        }
    }
    if (!seen) {
        for (int k = 0; k < 3; ++k)
            boundsMax_[k] = boundsMin_[k] = 0.0f;
    }
}

void KorvelIndexedMeshDefinition::ComputeTexelScale()
{
    double sum = 0, weight = 0, largest = 0;
    for (size_t i = 0; i < chunks_.Size(); ++i) {
        Zel::GeometryChunk* chunk = chunks_[i];
        Zel::VertexStream positions = chunk->GetItem(Zel::ItemPosition);
        Zel::VertexStream uvs = chunk->GetItem(Zel::ItemTexCoord0);
        const uint16_t* indices = chunk->GetIndices();
        if (!positions || !uvs || !indices)
            continue;
        for (uint32_t t = 0; t + 2 < chunk->GetIndexCount() + 0u && t / 3 < chunk->GetIndexCount() / 3; t += 3) {
            float p[3][3], uv[3][2];
            for (int k = 0; k < 3; ++k) {
                uint16_t index = indices[t + static_cast<uint32_t>(k)];
                memcpy(p[k], positions.data + size_t{index} * positions.stride, 12);
                memcpy(uv[k], uvs.data + size_t{index} * uvs.stride, 8);
            }
            auto length3 = [](const float* a, const float* b) {
                return std::sqrt(double(b[0] - a[0]) * (b[0] - a[0]) + double(b[1] - a[1]) * (b[1] - a[1]) +
                                 double(b[2] - a[2]) * (b[2] - a[2]));
            };
            auto length2 = [](const float* a, const float* b) {
                return std::sqrt(double(b[0] - a[0]) * (b[0] - a[0]) + double(b[1] - a[1]) * (b[1] - a[1]));
            };
            double l1 = length3(p[0], p[1]), l2 = length3(p[0], p[2]);
            double t1 = length2(uv[0], uv[1]), t2 = length2(uv[0], uv[2]);
            if (!(std::fabs(t1 * t2) > 0.00001))
                continue;
            double r1 = l1 / t1, r2 = l2 / t2, area = l1 * l2 * 0.5;
            sum += area * r1 + area * r2;
            weight += 2 * area;
            largest = std::max(largest, std::max(r1, r2));
        }
    }
    double mean = weight > 0 ? sum / weight : 0;
    texelScale_ = static_cast<float>(8 * mean <= largest ? 8 * mean : largest);
}

void KorvelIndexedMeshDefinition::ComputeOrientedBox()
{
    if (chunks_.Size() == 0)
        return;
    box_ = Zel::OrientedBox();
    std::vector<float> corners;
    for (size_t i = 0; i < chunks_.Size(); ++i) {
        Zel::VertexStream positions = chunks_[i]->GetItem(Zel::ItemPosition);
        Zel::OrientedBox chunkBox;
        chunkBox.Fit(positions.data, positions.stride, positions ? chunks_[i]->GetVertexCount() : 0);
        float eight[8][3];
        chunkBox.CalcCorners(eight);
        corners.insert(corners.end(), &eight[0][0], &eight[0][0] + 24);
    }
    box_.Fit(reinterpret_cast<const uint8_t*>(corners.data()), 12, corners.size() / 3);
}
