// KorvelIndexedMeshLODDefinition: reading the "LODM" file (info, material table, bones, attachments, levels and their chunks).
#include <cstring>

#include "mesh/indexed_mesh_lod_definition.h"
#include "mesh/mesh_chunk_reads.h"
#include "mesh/named_bone_tree.h"
#include "zel/ascii.h"
#include "zel/display_capabilities.h"
#include "zel/jirf.h"
#include "zel/mesh_file_support.h"

using MeshChunkReads::ExpectHead;
using MeshChunkReads::Peek;
using MeshChunkReads::ReadArray;
using MeshChunkReads::ReadBoneRecord;
using MeshChunkReads::ReadSizeAndVersion;

namespace {

constexpr uint32_t kTagLODM = Zel::JIRFTag("LODM");
// Every chunk takes at least its tag, size and version.
constexpr uint64_t kChunkHead = 12;
// Padded name, padded parent, position and matrix.
constexpr uint64_t kBoneRecord = 4 + 4 + 12 + 36;
// A bone table is the skinning influences of the levels, which an indexed
// level holds no more of than this either; each influence is looked up in
// the skeleton by name, so the bound also keeps those look-ups few.
constexpr uint32_t kMaxTableBones = 1023;
// Real skeletons have tens to a few hundred bones. Far more are refused: a
// hostile tree would otherwise make every look-up of a bone, attachment or
// chunk bone by name long.
constexpr uint32_t kMaxTreeBones = 16384;

bool AtEnd(const Zel::MemoryFile& file, int64_t end)
{
    return static_cast<int64_t>(file.Position()) == end;
}

// The version word of the chunk at the position, without moving; -1 when absent.
int32_t VersionAhead(const Zel::MemoryFile& file)
{
    if (file.Left() < kChunkHead)
        return -1;
    int32_t version;
    memcpy(&version, file.At() + 8, 4);
    return version;
}

std::string FileNameOf(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

KorvelIndexedMeshLODDefinition::KorvelIndexedMeshLODDefinition(const MeshOptions& options)
    : KorvelIndexedMeshDefinition(options)
{}

KorvelIndexedMeshLODDefinition::~KorvelIndexedMeshLODDefinition() = default;

const std::vector<InfluenceChunkWeights>& KorvelIndexedMeshLODDefinition::GetBoneLevelWeights(size_t bone,
                                                                                              size_t level) const
{
    static const std::vector<InfluenceChunkWeights> none;
    if (bone >= boneLevelWeights_.size() || level >= boneLevelWeights_[bone].size())
        return none;
    return boneLevelWeights_[bone][level];
}

int KorvelIndexedMeshLODDefinition::Load(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials,
                                         MeshResource* resource, const std::string& fileName, uint32_t defaultColour)
{
    display_ = display;
    // The LOD bone limit stays 25 whatever the display can skin.
    displayCanSkin_ = display && display->GetCapability(29);
    if (!file_.HasData())
        return MeshNoData;
    Zel::JIRFHeader header;
    if (!Zel::JIRFReadHeader(file_.Data(), file_.Size(), file_.PositionRef(), header) || header.type != kTagLODM)
        return MeshBadFormat;
    contentEnd_ = header.contentEnd;
    if (int result = ReadLodInfo())
        return result;
    if (int result = ReadMaterialTable(materials, resource))
        return result;
    if (int result = ReadBoneTable())
        return result;
    if (int result = ReadBoneTree())
        return result;
    if (int result = ReadAttachments())
        return result;
    // Every level is at least a "MESH" head: a count the content cannot hold
    // is refused before the table is sized from it.
    if (uint64_t{levelCount_} * kChunkHead > LeftBefore(contentEnd_))
        return MeshBadFormat;
    levels_.reserve(levelCount_);
    for (uint32_t i = 0; i < levelCount_; ++i) {
        levels_.emplace_back();
        if (int result = ReadMesh(i, resource, defaultColour))
            return result;
    }
    if (switchDistances_.empty())
        return MeshBadFormat;
    // A named level must name a level that exists: instances index the table with it.
    for (const NamedLevel& named : namedLevels_) {
        if (named.level < 0 || static_cast<uint32_t>(named.level) >= levelCount_)
            return MeshBadFormat;
    }
    for (MeshLODRecord& level : levels_) {
        level.vertexTotal = level.faceTotal = 0;
        for (size_t c = 0; c < level.chunks.Size(); ++c) {
            level.vertexTotal += level.chunks[c]->GetVertexCount();
            level.faceTotal += level.chunks[c]->GetFaceCount();
        }
    }
    if (!AtEnd(file_, contentEnd_))
        return MeshBadFormat;
    name_ = FileNameOf(file_.Name().empty() ? fileName : file_.Name());
    BuildSkeletonFromTable();
    AddLevelInfluenceMatrices();
    TakeLastNumberedLevel();
    ComputeBounds();
    ComputeOrientedBox();
    texelScale_ = 0;
    ProcessCullAttachments();
    file_.Close();
    return MeshOk;
}

int KorvelIndexedMeshLODDefinition::ReadLodInfo()
{
    Zel::JIRFChunkHead head;
    if (int result = ExpectHead(file_, Zel::JIRFTag("INFO"), 100, 100, head))
        return result;
    int64_t end = head.End();
    ReadArray(file_, position_, 3);
    ReadArray(file_, orientation_, 4);
    file_.Read(levelCount_);
    file_.Read(calcPoint_);
    file_.Read(offset_);
    file_.Read(multiplier_);
    file_.Read(animationCutOff_);
    file_.Read(renderCutOff_);
    file_.Read(attachmentCutOff_);
    uint32_t named = 0;
    file_.Read(named);
    // An index and a padded name: eight bytes each at least.
    if (uint64_t{named} * 8 > LeftBefore(end))
        return MeshBadFormat;
    namedLevels_.assign(named, NamedLevel());
    for (NamedLevel& level : namedLevels_) {
        file_.Read(level.level);
        std::string name;
        Zel::MeshFileSupport::ReadPaddedString(file_, end, name);
        level.name = Zel::AsciiLowerCopy(name);
        // The one-byte flag unaligns what follows; a flag the chunk does not
        // hold reads as false.
        uint8_t animated = 0;
        if (LeftBefore(end) > 0)
            file_.ReadBytes(&animated, 1);
        level.animated = animated != 0;
    }
    return AtEnd(file_, end) ? MeshOk : MeshBadFormat;
}

int KorvelIndexedMeshLODDefinition::ReadMaterialTable(Zel::MaterialManager* materials, MeshResource* resource)
{
    Zel::JIRFChunkHead head;
    if (int result = ExpectHead(file_, Zel::JIRFTag("MATT"), 100, 100, head))
        return result;
    int64_t end = head.End();
    uint32_t count = 0;
    file_.Read(count);
    if (uint64_t{count} * kChunkHead > LeftBefore(end))
        return MeshBadFormat;
    materials_.Allocate(count);
    storedMaterialNames_.clear();
    // The table has no fallbacks and no list of missing names: the indexed
    // reader's record goes through a scratch copy of the resource that
    // refuses fallbacks, and its codes (not found 6, else 7) are the table's.
    MeshResource scratch;
    if (resource) {
        scratch = *resource;
        scratch.allowFallbackMaterials = false;
    }
    for (uint32_t k = 0; k < count; ++k) {
        if (Zel::JIRFPeekChunk(file_.Data(), file_.Size(), file_.PositionRef(), Zel::JIRFTag("MATL"))) {
            file_.SetPosition(static_cast<int64_t>(file_.Position()) - 4);
            if (VersionAhead(file_) != 103)
                return MeshBadVersion;
        }
        if (int result = ReadMaterial(materials, resource ? &scratch : nullptr, static_cast<int>(k)))
            return result;
    }
    materialTable_ = materials_;
    for (size_t k = 0; k < materials_.Size(); ++k)
        storedNames_[materials_[k]] = storedMaterialNames_[k];
    // The table's texture definitions go to their materials at once (no
    // image is looked for here, and a slot the material lacks is no failure).
    for (MaterialUse& use : pendingTextures_) {
        for (const TextureDefinition& texture : use.textures)
            use.material->SetTexture(texture.slot, nullptr, texture.file, texture.value);
        use.material->ReleaseReference();
    }
    pendingTextures_.clear();
    return AtEnd(file_, end) ? MeshOk : MeshBadFormat;
}

int KorvelIndexedMeshLODDefinition::ReadBoneRecords(uint32_t tag, uint32_t limit, std::vector<LODBoneNode>& records,
                                                    int64_t& end)
{
    records.clear();
    if (!Peek(file_, tag))
        return MeshOk;
    int32_t version = 0;
    end = ReadSizeAndVersion(file_, version);
    if (version != 100)
        return MeshBadVersion;
    uint32_t count = 0;
    file_.Read(count);
    if (count > limit || uint64_t{count} * kBoneRecord > LeftBefore(end))
        return MeshBadFormat;
    records.assign(count, LODBoneNode());
    for (LODBoneNode& node : records)
        ReadBoneRecord(file_, end, node);
    return AtEnd(file_, end) ? MeshOk : MeshBadFormat;
}

int KorvelIndexedMeshLODDefinition::ReadBoneTable()
{
    std::vector<LODBoneNode> records;
    int64_t end = 0;
    if (int result = ReadBoneRecords(Zel::JIRFTag("BONT"), kMaxTableBones, records, end))
        return result;
    influences_.assign(records.size(), InfluenceDefinition());
    for (size_t b = 0; b < records.size(); ++b) {
        influences_[b].name = records[b].name;
        influences_[b].parent = records[b].parent;
        memcpy(influences_[b].position, records[b].position, 12);
        memcpy(influences_[b].orientation, records[b].orientation, 36);
    }
    boneLevelWeights_.assign(records.size(), {});
    return MeshOk;
}

int KorvelIndexedMeshLODDefinition::ReadBoneTree()
{
    int64_t end = 0;
    if (int result = ReadBoneRecords(Zel::JIRFTag("RBOT"), kMaxTreeBones, boneTree_, end))
        return result;
    NamedBoneTree tree(skeletonRoot_);
    for (const LODBoneNode& node : boneTree_) {
        auto bone = std::make_unique<Zel::ParticleBone>();
        bone->name = node.name;
        memcpy(bone->position, node.position, 12);
        Zel::QuaternionFromMatrix(node.orientation, bone->orientation);
        if (tree.Add(std::move(bone), node.parent) != NamedBoneTree::Result::Added)
            return MeshBadFormat;
    }
    return MeshOk;
}

int KorvelIndexedMeshLODDefinition::ReadMesh(size_t i, MeshResource* resource, uint32_t defaultColour)
{
    Zel::JIRFChunkHead head;
    if (int result = ExpectHead(file_, Zel::JIRFTag("MESH"), 100, 100, head))
        return result;
    int64_t end = head.End();
    MeshLODRecord& level = levels_[i];
    file_.Read(level.chunkCount);
    file_.Read(maxInfluencesPerVertex_);
    file_.Read(maxBonesPerChunk_);
    // Each level decides on its own whether the display skins it.
    hardwareSkinning_ = false;
    ChooseSkinning();
    level.hardwareSkinning = hardwareSkinning_;
    float distance = 0;
    file_.Read(distance);
    if (distance != -1.0f) {
        if (!switchDistances_.empty() && distance < switchDistances_.back())
            return MeshBadFormat;
        switchDistances_.push_back(distance);
        if (switchDistances_.size() != i + 1)
            return MeshBadFormat;
    } else {
        bool named = false;
        for (const NamedLevel& entry : namedLevels_)
            named = named || entry.level == static_cast<int32_t>(i);
        if (!named)
            return MeshBadFormat;
    }
    if (uint64_t{level.chunkCount} * kChunkHead > LeftBefore(end))
        return MeshBadFormat;
    level.chunks.Allocate(level.chunkCount);
    level.materials.Allocate(level.chunkCount);
    // Weights are kept by level number, so a level without its block leaves
    // the later levels' weights where they belong.
    for (auto& perLevel : boneLevelWeights_)
        perLevel.resize(i + 1);
    if (static_cast<int64_t>(file_.Position()) < end && Peek(file_, Zel::JIRFTag("LODB"))) {
        if (int result = ReadLODBlock(end))
            return result;
    }
    for (uint32_t j = 0; j < level.chunkCount;) {
        if (int result = ReadLODChunk(level, j, resource, defaultColour))
            return result;
        Zel::GeometryChunk* chunk = level.chunks[j];
        if (chunk->GetVertexCount() != 0 && chunk->GetFaceCount() != 0 && chunk->GetIndexCount() != 0) {
            ++j;
            continue;
        }
        level.chunks.PopBack();
        level.materials.PopBack();
        level.chunkBoneNames.pop_back();
        --level.chunkCount;
    }
    return AtEnd(file_, end) ? MeshOk : MeshBadFormat;
}

int KorvelIndexedMeshLODDefinition::ReadLODBlock(int64_t meshEnd)
{
    int32_t version = 0;
    int64_t end = ReadSizeAndVersion(file_, version);
    if (version != 100)
        return MeshBadVersion;
    if (end > meshEnd)
        return MeshBadFormat;
    for (auto& perLevel : boneLevelWeights_) {
        if (int result = ReadChunkWeights(end, perLevel.back()))
            return result;
    }
    return AtEnd(file_, end) ? MeshOk : MeshBadFormat;
}

int KorvelIndexedMeshLODDefinition::ReadLODChunk(MeshLODRecord& level, uint32_t j, MeshResource* resource,
                                                 uint32_t defaultColour)
{
    Zel::JIRFChunkHead head;
    if (int result = ExpectHead(file_, Zel::JIRFTag("LCHK"), 100, 100, head))
        return result;
    int64_t end = head.End();
    uint32_t unused = 0;
    int32_t material = -1;
    file_.Read(unused);
    file_.Read(material);
    // The writer's -1 for "no material" and any index past the table name
    // nothing a chunk could be made from.
    if (material < 0 || static_cast<size_t>(material) >= materialTable_.Size())
        return MeshBadFormat;
    level.materials.PushBack(materialTable_[static_cast<size_t>(material)]);
    if (int result = ReadLevelGeometry(level, j, resource, defaultColour))
        return result;
    while (static_cast<int64_t>(file_.Position()) < end && Peek(file_, Zel::JIRFTag("NINF"))) {
        if (int result = ReadNeighboursInto(level.chunks[j]))
            return result;
    }
    return AtEnd(file_, end) ? MeshOk : MeshBadFormat;
}

int KorvelIndexedMeshLODDefinition::ReadLevelGeometry(MeshLODRecord& level, uint32_t j, MeshResource* resource,
                                                      uint32_t defaultColour)
{
    Zel::JIRFChunkHead head;
    if (int result = ExpectHead(file_, Zel::JIRFTag("GEOM"), 101, 201, head))
        return result;
    int32_t version = head.version;
    int64_t end = head.End();
    // The LOD form stores one set of texture coordinates and no colours.
    GeometryLayout layout;
    Zel::StandardChunkHint hint = ReadGeometryHead(version, false, resource, layout);
    std::string boneName;
    if (version >= 103)
        Zel::MeshFileSupport::ReadPaddedString(file_, end, boneName);
    level.chunkBoneNames.push_back(boneName);

    // The arrays the counts announce must fit in the chunk before anything is
    // sized from them.
    if (layout.ArrayBytes() > LeftBefore(end))
        return MeshBadFormat;
    int geometryType = Zel::GeometryTypeFromChunkFlags(layout.flags);
    if (geometryType < 0)
        return MeshBadFormat;
    Zel::GeometryChunk* chunk = level.materials[j]->CreateGeometryChunk(
        layout.vertexCount, layout.faceCount, layout.indexCount, layout.faceNormalCount, geometryType, hint);
    if (!chunk)
        return MeshBadFormat;
    level.chunks.PushBack(chunk);
    chunk->ReleaseReference();
    if (int result = ReadGeometryArrays(*chunk, layout, hint.floatWeights, defaultColour))
        return result;
    return AtEnd(file_, end) ? MeshOk : MeshBadFormat;
}

void KorvelIndexedMeshLODDefinition::BuildSkeletonFromTable()
{
    // A bone table gives the skeleton; without one it came from the bone tree.
    if (!influences_.empty())
        BuildSkeletonFromInfluences();
}

void KorvelIndexedMeshLODDefinition::AddLevelInfluenceMatrices()
{
    for (size_t l = 0; l < levels_.size(); ++l) {
        for (size_t b = 0; b < boneLevelWeights_.size(); ++b) {
            for (const InfluenceChunkWeights& entry : GetBoneLevelWeights(b, l)) {
                if (!entry.weights.empty() && entry.chunk < levels_[l].chunks.Size())
                    AddChunkInfluenceWeights(levels_[l].chunks[entry.chunk], static_cast<int>(b), entry);
            }
        }
    }
}

void KorvelIndexedMeshLODDefinition::TakeLastNumberedLevel()
{
    if (switchDistances_.empty() || switchDistances_.size() > levels_.size())
        return;
    const MeshLODRecord& level = levels_[switchDistances_.size() - 1];
    chunks_ = level.chunks;
    materials_ = level.materials;
    chunkCount_ = static_cast<int>(level.chunkCount);
    vertexTotal_ = level.vertexTotal;
    faceTotal_ = level.faceTotal;
    hardwareSkinning_ = level.hardwareSkinning;
    chunkBoneNames_.Clear();
    for (const std::string& bone : level.chunkBoneNames)
        chunkBoneNames_.PushBack(bone);
    storedMaterialNames_.clear();
    for (size_t k = 0; k < level.materials.Size(); ++k)
        storedMaterialNames_.push_back(GetWrittenMaterialName(level.materials[k]));
}

void KorvelIndexedMeshLODDefinition::ProcessCullAttachments()
{
    static constexpr char kCull[] = ":cull";
    cullPositions_.assign(attachments_.size(), std::string::npos);
    for (size_t i = 0; i < attachments_.size(); ++i) {
        MeshAttachment& attachment = attachments_[i];
        std::string lower = Zel::AsciiLowerCopy(attachment.name);
        size_t at = lower.find(kCull);
        if (at == std::string::npos)
            continue;
        attachment.name.erase(at, sizeof kCull - 1);
        cullAttachmentNames_.push_back(attachment.name);
        cullPositions_[i] = at;
    }
}

std::string KorvelIndexedMeshLODDefinition::GetWrittenMaterialName(const Zel::Material* material) const
{
    auto found = storedNames_.find(material);
    if (found != storedNames_.end())
        return found->second;
    // A decorated name is "owner*folder*stored".
    const std::string& name = material->GetRequestName().empty() ? material->GetName() : material->GetRequestName();
    size_t first = name.find('*');
    size_t second = first == std::string::npos ? std::string::npos : name.find('*', first + 1);
    return second == std::string::npos ? name : name.substr(second + 1);
}

int KorvelIndexedMeshLODDefinition::CompleteLoad(Zel::TextureSource* source)
{
    for (auto& child : childDefinitions_) {
        child->LoadTextures(source);
        missingTextures_.insert(missingTextures_.end(), child->GetMissingTextures().begin(),
                                child->GetMissingTextures().end());
    }
    childDefinitions_.clear();
    for (const MeshLODRecord& level : levels_) {
        for (size_t c = 0; c < level.chunks.Size(); ++c) {
            if (!level.chunks[c]->InitializeBuffers(true))
                return MeshBuffersFailed;
        }
    }
    return MeshOk;
}
