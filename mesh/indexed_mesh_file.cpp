// KorvelIndexedMeshDefinition: reading the "IDXM" file (info, chunks, geometry, neighbours, influences, bones, attachments).
#include <cstring>
#include <limits>

#include "mesh/indexed_mesh_definition.h"
#include "mesh/mesh_chunk_reads.h"
#include "zel/display_capabilities.h"
#include "zel/jirf.h"
#include "zel/material_manager.h"
#include "zel/mesh_file_support.h"

using MeshChunkReads::ExpectHead;
using MeshChunkReads::Peek;
using MeshChunkReads::ReadArray;
using MeshChunkReads::ReadBoneRecord;
using MeshChunkReads::ReadHead;
using MeshChunkReads::ReadSizeAndVersion;

namespace {

constexpr uint32_t kTagIDXM = Zel::JIRFTag("IDXM");
// A skeleton deeper than this is hostile: reading it would exhaust the stack.
constexpr int kMaxBoneDepth = 256;
constexpr uint32_t kMaxInfluences = 1023;

}  // namespace

int KorvelIndexedMeshDefinition::OpenMeshFile(const std::string& fileName)
{
    if (file_.Open(fileName.c_str()) != 0)
        return MeshNoData;
    name_ = fileName;
    return MeshOk;
}

size_t KorvelIndexedMeshDefinition::LeftBefore(int64_t end) const
{
    int64_t limit = std::min<int64_t>(end, static_cast<int64_t>(file_.Size()));
    int64_t position = static_cast<int64_t>(file_.Position());
    return limit > position ? static_cast<size_t>(limit - position) : 0;
}

int KorvelIndexedMeshDefinition::Load(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials,
                                      MeshResource* resource, const std::string& fileName, uint32_t defaultColour)
{
    if (!materials)
        return MeshNoMaterialManager;
    displayCanSkin_ = display && display->GetCapability(29);
    if (displayCanSkin_)
        hardwareBoneLimit_ = 24;
    if (!file_.HasData())
        return MeshNoData;
    if (name_.empty())
        name_ = fileName;
    Zel::JIRFHeader header;
    if (!Zel::JIRFReadHeader(file_.Data(), file_.Size(), file_.PositionRef(), header) || header.type != kTagIDXM)
        return MeshBadFormat;
    contentEnd_ = header.contentEnd;
    if (int result = ReadInfo())
        return result;
    // Every chunk takes at least its 12-byte head: a count the content cannot
    // hold is refused before anything is sized from it.
    if (chunkCount_ < 0 || uint64_t(chunkCount_) * 12 > LeftBefore(contentEnd_))
        return MeshBadFormat;
    chunks_.Allocate(static_cast<size_t>(chunkCount_));
    materials_.Allocate(static_cast<size_t>(chunkCount_));
    for (int i = 0; i < chunkCount_;) {
        if (int result = ReadChunk(materials, resource, i, defaultColour))
            return result;
        Zel::GeometryChunk* chunk = chunks_[static_cast<size_t>(i)];
        if (chunk->GetVertexCount() != 0 && chunk->GetFaceCount() != 0 && chunk->GetIndexCount() != 0) {
            ++i;
            continue;
        }
        // An empty chunk is dropped with its material and its bone name, so
        // the chunks after it keep their own bones.
        chunks_.PopBack();
        materials_.PopBack();
        storedMaterialNames_.pop_back();
        chunkBoneNames_.PopBack();
        --chunkCount_;
    }
    if (static_cast<int64_t>(file_.Position()) < contentEnd_)
        ReadInfluences();
    if (static_cast<int64_t>(file_.Position()) < contentEnd_)
        ReadAttachments();
    ReadTrailingBlocks();
    RefreshTotals();
    if (static_cast<int64_t>(file_.Position()) != contentEnd_)
        return MeshBadFormat;
    BuildSkeletonFromInfluences();
    AddInfluenceMatrices();
    ComputeBounds();
    ComputeTexelScale();
    ComputeOrientedBox();
    file_.Close();
    return MeshOk;
}

int KorvelIndexedMeshDefinition::ReadInfo()
{
    Zel::JIRFChunkHead head;
    if (int result = ExpectHead(file_, Zel::JIRFTag("INFO"), 100, 104, head))
        return result;
    ReadArray(file_, position_, 3);
    ReadArray(file_, orientation_, 4);
    file_.Read(chunkCount_);
    if (head.version >= 102) {
        file_.Read(maxInfluencesPerVertex_);
        file_.Read(maxBonesPerChunk_);
    }
    if (head.version == 104) {
        // Stored bounds are recomputed from the vertices.
        float ignored[6];
        ReadArray(file_, ignored, 6);
    }
    return MeshOk;
}

int KorvelIndexedMeshDefinition::ReadChunk(Zel::MaterialManager* materials, MeshResource* resource, int i,
                                           uint32_t defaultColour)
{
    Zel::JIRFChunkHead head;
    if (int result = ExpectHead(file_, Zel::JIRFTag("CHNK"), 100, 100, head))
        return result;
    int64_t end = head.End();
    uint32_t unused = 0;
    file_.Read(unused);
    if (int result = ReadMaterial(materials, resource, i))
        return result;
    if (int result = ReadGeometry(resource, i, defaultColour))
        return result;
    if (static_cast<int64_t>(file_.Position()) < end && Peek(file_, Zel::JIRFTag("NINF")))
        return ReadNeighbours(i);
    return MeshOk;
}

void KorvelIndexedMeshDefinition::ChooseSkinning()
{
    bool softwareOnly = options_.softwareAnimation && options_.softwareAnimationPresent;
    if (maxInfluencesPerVertex_ >= 1 && maxInfluencesPerVertex_ <= hardwareWeightLimit_ &&
        maxBonesPerChunk_ <= hardwareBoneLimit_ && displayCanSkin_ && !softwareOnly)
        hardwareSkinning_ = true;
}

void KorvelIndexedMeshDefinition::PrepareSkinning(Zel::StandardChunkHint& hint, uint32_t weights, uint32_t weightLimit,
                                                  uint32_t matrixLimit)
{
    ChooseSkinning();
    if (weights == 0)
        return;
    hint.skinned = true;
    if (hardwareSkinning_) {
        hint.weightLimit = weightLimit;
        hint.matrixLimit = matrixLimit;
        hint.floatWeights = options_.floatPrecision && options_.floatPrecisionPresent;
    } else {
        hint.softwareSkin = true;
    }
}

void KorvelIndexedMeshDefinition::PrepareHint(Zel::StandardChunkHint& hint, MeshResource* resource) const
{
    if (options_.softwareLighting && options_.softwareLightingPresent)
        hint.options |= 1;
    hint.vertexUsage = options_.dynamicVertexPresent ? options_.dynamicVertex : 2;
    hint.indexUsage = options_.dynamicIndexPresent ? options_.dynamicIndex : 2;
    hint.database = resource ? resource->database : nullptr;
}

namespace {}  // namespace

bool InitialiseBlendData(Zel::GeometryChunk& chunk, uint32_t weightsPerVertex, bool floatWeights)
{
    uint32_t count = chunk.GetVertexCount();
    if (floatWeights) {
        if (weightsPerVertex <= 4) {
            Zel::VertexStream weights = chunk.GetItem(Zel::ItemWeights1 + static_cast<int>(weightsPerVertex) - 1);
            if (!weights)
                return false;
            for (uint32_t v = 0; v < count; ++v) {
                float first = 1.0f;
                memset(weights.data + size_t{v} * weights.stride, 0, weights.stride);
                memcpy(weights.data + size_t{v} * weights.stride, &first, 4);
            }
        }
    } else {
        Zel::VertexStream packed = chunk.GetItem(Zel::ItemPackedWeights);
        if (!packed)
            return false;
        for (uint32_t v = 0; v < count; ++v) {
            uint32_t full = 0xFF000000u;
            memcpy(packed.data + size_t{v} * packed.stride, &full, 4);
        }
    }
    Zel::VertexStream indices = chunk.GetItem(Zel::ItemBlendIndices);
    if (!indices)
        return false;
    for (uint32_t v = 0; v < count; ++v)
        memset(indices.data + size_t{v} * indices.stride, 0, 4);
    return true;
}

int KorvelIndexedMeshDefinition::ReadGeometry(MeshResource* resource, int i, uint32_t defaultColour)
{
    Zel::JIRFChunkHead head;
    if (int result = ExpectHead(file_, Zel::JIRFTag("GEOM"), 101, 201, head))
        return result;
    int32_t version = head.version;
    GeometryLayout layout;
    Zel::StandardChunkHint hint = ReadGeometryHead(version, version >= 103 && version <= 199, resource, layout);
    std::string boneName;
    if (version >= 200)
        Zel::MeshFileSupport::ReadPaddedString(file_, head.End(), boneName);
    chunkBoneNames_.PushBack(boneName);

    layout.hasColours = version >= 104 && version <= 199;
    // Every array the counts announce must fit in what is left of the chunk:
    // hostile counts end here, before anything is sized from them.
    if (layout.ArrayBytes() > LeftBefore(head.End()))
        return MeshBadFormat;

    int geometryType = Zel::GeometryTypeFromChunkFlags(layout.flags);
    if (geometryType < 0)
        return MeshBadFormat;
    Zel::GeometryChunk* chunk = materials_[static_cast<size_t>(i)]->CreateGeometryChunk(
        layout.vertexCount, layout.faceCount, layout.indexCount, layout.faceNormalCount, geometryType, hint);
    if (!chunk)
        return MeshBadFormat;
    chunks_.PushBack(chunk);
    chunk->ReleaseReference();
    if (int result = ReadGeometryArrays(*chunk, layout, hint.floatWeights, defaultColour))
        return result;
    // Unknown trailing fields are skipped by the declared size.
    file_.SetPosition(head.End());
    return MeshOk;
}

int KorvelIndexedMeshDefinition::ReadNeighbours(int i)
{
    return ReadNeighboursInto(chunks_[static_cast<size_t>(i)]);
}

int KorvelIndexedMeshDefinition::ReadNeighboursInto(Zel::GeometryChunk* chunk)
{
    int32_t version = 0;
    int64_t end = ReadSizeAndVersion(file_, version);
    if (version != 100)
        return MeshBadVersion;
    uint32_t faces = chunk->GetFaceCount();
    if (faces == 0)
        return MeshOk;
    if (uint64_t{faces} * 12 > LeftBefore(end))
        return MeshBadFormat;
    std::vector<std::array<int32_t, 3>> neighbours(faces);
    file_.ReadBytes(neighbours.data(), neighbours.size() * 12);
    chunk->SetFaceNeighborArray(std::move(neighbours));
    return MeshOk;
}

int KorvelIndexedMeshDefinition::ReadInfluences()
{
    uint32_t tag = 0;
    size_t start = file_.Position();
    if (!file_.Read(tag))
        return MeshOk;
    if (tag != Zel::JIRFTag("INFL") && tag != Zel::JIRFTag("SKEL")) {
        file_.SetPosition(static_cast<int64_t>(start));
        return MeshOk;
    }
    int32_t version = 0;
    bool versionRead = false;
    int64_t end = ReadSizeAndVersion(file_, version, &versionRead);
    if (version != 100) {
        // Stepping back four bytes from where reading stopped is what older
        // files meet: the final position check then reports the section.
        if (versionRead)
            file_.SetPosition(static_cast<int64_t>(file_.Position()) - 4);
        return MeshOk;
    }
    if (tag == Zel::JIRFTag("SKEL"))
        return ReadBone(nullptr, 0);
    uint32_t count = 0;
    file_.Read(count);
    if (count > kMaxInfluences)
        count = 0;
    influences_.assign(count, InfluenceDefinition());
    for (InfluenceDefinition& influence : influences_) {
        ReadBoneRecord(file_, end, influence);
        if (int result = ReadChunkWeights(end, influence.entries))
            return result;
    }
    return static_cast<int64_t>(file_.Position()) == end ? MeshOk : MeshBadFormat;
}

int KorvelIndexedMeshDefinition::ReadChunkWeights(int64_t end, std::vector<InfluenceChunkWeights>& entries)
{
    uint32_t count = 0;
    file_.Read(count);
    if (uint64_t{count} * 8 > LeftBefore(end))
        return MeshBadFormat;
    for (uint32_t e = 0; e < count; ++e) {
        InfluenceChunkWeights entry;
        uint32_t weightCount = 0;
        file_.Read(entry.chunk);
        file_.Read(weightCount);
        if (weightCount == 0)
            continue;
        if (uint64_t{weightCount} * 20 > LeftBefore(end))
            return MeshBadFormat;
        entry.weights.resize(weightCount);
        for (InfluenceWeight& weight : entry.weights) {
            file_.Read(weight.vertex);
            file_.Read(weight.weight);
            ReadArray(file_, weight.extra, 3);
        }
        entries.push_back(std::move(entry));
    }
    return MeshOk;
}

int KorvelIndexedMeshDefinition::ReadBone(Zel::ParticleBone* parent, int depth)
{
    if (depth >= kMaxBoneDepth)
        return MeshBadFormat;
    Zel::JIRFChunkHead head = ReadHead(file_, Zel::JIRFTag("BONE"));
    if (!head.tagRead || head.tag != Zel::JIRFTag("BONE"))
        return MeshBadFormat;
    int32_t version = head.version;
    if (version != 1 && version != 20 && version != 50 && version != 100 && version != 102)
        return MeshBadVersion;
    auto bone = std::make_unique<Zel::ParticleBone>();
    Zel::MeshFileSupport::ReadPaddedString(file_, -1, bone->name);
    ReadArray(file_, bone->position, 3);
    ReadArray(file_, bone->orientation, 4);
    uint32_t children = 0;
    file_.Read(children);
    Zel::ParticleBone* made = bone.get();
    if (parent) {
        parent->Add(std::move(bone));
    } else {
        skeletonRoot_ = std::move(bone);
    }
    for (uint32_t c = 0; c < children; ++c) {
        if (int result = ReadBone(made, depth + 1))
            return result;
    }
    return MeshOk;
}

int KorvelIndexedMeshDefinition::ReadAttachments()
{
    if (!Peek(file_, Zel::JIRFTag("ATCH")))
        return MeshOk;
    int32_t version = 0;
    int64_t end = ReadSizeAndVersion(file_, version);
    if (version != 100)
        return MeshBadVersion;
    uint32_t count = 0;
    file_.Read(count);
    // Each record takes at least a padded name, a matrix and a position.
    if (uint64_t{count} * (4 + 36 + 12) > LeftBefore(end))
        return MeshBadFormat;
    attachments_.assign(count, MeshAttachment());
    for (MeshAttachment& attachment : attachments_) {
        Zel::MeshFileSupport::ReadPaddedString(file_, end, attachment.name);
        file_.ReadBytes(attachment.orientation, 36);
        ReadArray(file_, attachment.position, 3);
    }
    return MeshOk;
}
