// KorvelIndexedMeshLODDefinition: a mesh with numbered and named levels of detail, read from ".lm" or its text form and written back.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mesh/indexed_mesh_definition.h"

namespace Zel {
class File;
class ConfigData;
}  // namespace Zel

class LodBytes;

// One level: its own chunks and materials (shared with the definition that
// made them, counted).
struct MeshLODRecord {
    uint32_t chunkCount = 0;
    uint32_t vertexTotal = 0;
    uint32_t faceTotal = 0;
    bool hardwareSkinning = false;
    RefArrayRef<Zel::GeometryChunk> chunks;
    RefArrayRef<Zel::Material> materials;
    std::vector<std::string> chunkBoneNames;
};

struct NamedLevel {
    std::string name;  // lower case
    int32_t level = 0;
    bool animated = false;
};

// A node of the bone tree as stored: local placement with a 3 x 3 matrix.
struct LODBoneNode {
    std::string name, parent;
    float position[3] = {0, 0, 0};
    float orientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
};

class KorvelIndexedMeshLODDefinition : public KorvelIndexedMeshDefinition {
public:
    explicit KorvelIndexedMeshLODDefinition(const MeshOptions& options = MeshOptions());
    ~KorvelIndexedMeshLODDefinition() override;

    // Reads the "LODM" content already in the memory file.
    int Load(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials, MeshResource* resource,
             const std::string& fileName, uint32_t defaultColour) override;
    // Assembles the levels from a text description ("version 1.00", "mesh"
    // entries); the level files are opened beside nothing: fileName of each
    // level is resolved against the folder of the text file.
    int LoadText(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials, MeshResource* resource,
                 const std::string& fileName, uint32_t defaultColour);
    // The same from text already in memory (fuzzing, tests).
    int LoadTextFrom(const std::string& text, const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials,
                     MeshResource* resource, const std::string& fileName, uint32_t defaultColour);
    // Textures of the levels, shared materials, display buffers (9 when refused).
    int CompleteLoad(Zel::TextureSource* source);

    // 0 written, 1 without levels (nothing written), 2 when the bytes could
    // not all be written.
    int Save(Zel::File& file) const;
    // Writes a temporary file beside path and renames it over path.
    int SaveToPath(const std::string& path) const;
    // The whole file image (Save writes it in one call).
    bool Serialise(std::string& out) const;

    const std::vector<float>& GetSwitchDistances() const { return switchDistances_; }
    const std::vector<NamedLevel>& GetNamedLevels() const { return namedLevels_; }
    const std::vector<std::string>& GetCullAttachmentNames() const { return cullAttachmentNames_; }
    size_t GetLevelCount() const { return levels_.size(); }
    const MeshLODRecord& GetLevel(size_t i) const { return levels_[i]; }
    const RefArrayRef<Zel::Material>& GetMaterialTable() const { return materialTable_; }
    uint32_t GetCalcPoint() const { return calcPoint_; }
    float GetOffset() const { return offset_; }
    float GetMultiplier() const { return multiplier_; }
    float GetAnimationCutOff() const { return animationCutOff_; }
    float GetRenderCutOff() const { return renderCutOff_; }
    float GetAttachmentCutOff() const { return attachmentCutOff_; }
    bool HasBoneTable() const { return !influences_.empty(); }
    // A bone's weights for a level (empty when it has none there).
    const std::vector<InfluenceChunkWeights>& GetBoneLevelWeights(size_t bone, size_t level) const;
    // Every distinct material of all levels, level by level and chunk by
    // chunk: the table the writer numbers chunks by.
    std::vector<Zel::Material*> CollectMaterials() const;
    // Per bone, per level, that level's weights.
    const std::vector<std::vector<std::vector<InfluenceChunkWeights>>>& GetAllBoneLevelWeights() const
    {
        return boneLevelWeights_;
    }
    // The name a material is written under: as stored in the file it came from.
    std::string GetWrittenMaterialName(const Zel::Material* material) const;
    uint64_t CalculateDataSize() const;

    // Writer statistics of level l.
    uint32_t LevelChunkMaxWeights(size_t level, uint32_t chunk) const;
    uint32_t LevelMaxWeights(size_t level) const;
    uint32_t LevelMaxBones(size_t level) const;

protected:
    int ReadLodInfo();
    int ReadMaterialTable(Zel::MaterialManager* materials, MeshResource* resource);
    // A "BONT" or "RBOT" block of bone records; nothing when absent, 3 when
    // it holds more than limit.
    int ReadBoneRecords(uint32_t tag, uint32_t limit, std::vector<LODBoneNode>& records, int64_t& end);
    int ReadBoneTable();
    int ReadBoneTree();
    int ReadMesh(size_t level, MeshResource* resource, uint32_t defaultColour);
    int ReadLODBlock(int64_t meshEnd);
    int ReadLODChunk(MeshLODRecord& level, uint32_t j, MeshResource* resource, uint32_t defaultColour);
    int ReadLevelGeometry(MeshLODRecord& level, uint32_t j, MeshResource* resource, uint32_t defaultColour);
    void BuildSkeletonFromTable();
    void AddLevelInfluenceMatrices();
    void ProcessCullAttachments();
    void TakeLastNumberedLevel();
    void RememberStoredNames(const KorvelIndexedMeshDefinition& source);
    int AddLODLevel(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials, MeshResource* resource,
                    const std::string& meshFile, uint32_t defaultColour, bool first);
    void MergeLevelInfluences(const std::vector<InfluenceDefinition>& levelInfluences);
    int ReadTextSettings(const Zel::ConfigData& config);
    void WriteTo(LodBytes& w) const;

    std::vector<float> switchDistances_;
    uint32_t calcPoint_ = 0;
    float offset_ = 0, multiplier_ = 1.0f, animationCutOff_ = 0, renderCutOff_ = 0, attachmentCutOff_ = 0;
    std::vector<std::string> cullAttachmentNames_;
    std::vector<NamedLevel> namedLevels_;
    uint32_t levelCount_ = 0;
    std::vector<MeshLODRecord> levels_;
    // The bone table lives in influences_ (no entries there); per bone, per
    // level, that level's weights.
    std::vector<std::vector<std::vector<InfluenceChunkWeights>>> boneLevelWeights_;
    // The bone tree as read from "RBOT", written back as read.
    std::vector<LODBoneNode> boneTree_;
    // The table's bone names, by which later text levels number their matrices.
    std::vector<std::string> boneTableNames_;
    RefArrayRef<Zel::Material> materialTable_;
    std::map<const Zel::Material*, std::string> storedNames_;
    // Level definitions of a text description, kept until completion.
    std::vector<std::unique_ptr<KorvelIndexedMeshDefinition>> childDefinitions_;
    // Per attachment, where ":Cull" was cut from its name (npos: nowhere).
    // The writer puts it back there, so a name that held the mark elsewhere
    // than at its end keeps its text over save cycles.
    std::vector<size_t> cullPositions_;
    const Zel::DisplayCapabilities* display_ = nullptr;
};
