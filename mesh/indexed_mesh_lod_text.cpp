// KorvelIndexedMeshLODDefinition: assembling the levels from the text description (".lm.txt") through the configuration parser.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "mesh/indexed_mesh_lod_definition.h"
#include "mesh/influence_mesh.h"
#include "zel/ascii.h"
#include "zel/config_data.h"
#include "zel/display_capabilities.h"
#include "zel/file.h"

namespace {

// Keys of the description are matched as written.
const Zel::ConfigData::Entry* Child(const Zel::ConfigData::Entry& entry, const char* key)
{
    for (const Zel::ConfigData::Entry& child : entry.children) {
        if (child.key == key)
            return &child;
    }
    return nullptr;
}

const Zel::ConfigData::Entry* Root(const Zel::ConfigData& config, const char* key)
{
    for (const Zel::ConfigData::Entry& entry : config.Entries()) {
        if (entry.key == key)
            return &entry;
    }
    return nullptr;
}

float RootFloat(const Zel::ConfigData& config, const char* key, float fallback)
{
    const Zel::ConfigData::Entry* entry = Root(config, key);
    return entry ? std::strtof(entry->value.c_str(), nullptr) : fallback;
}

bool IsDistance(const std::string& value)
{
    if (value.empty())
        return false;
    for (char c : value) {
        if (!Zel::AsciiIsDigit(c) && c != '.')
            return false;
    }
    return true;
}

bool IsTrue(const std::string& value)
{
    return Zel::AsciiEqualIgnoreCase(value, "true") || value == "1" || Zel::AsciiEqualIgnoreCase(value, "yes");
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsGeometryConfiguration(const std::string& path)
{
    constexpr std::string_view extension = ".imtxt";
    return path.size() >= extension.size() &&
           Zel::AsciiEqualIgnoreCase(std::string_view(path).substr(path.size() - extension.size()), extension);
}

float DiagonalSquared(const float* low, const float* high)
{
    float sum = 0;
    for (int k = 0; k < 3; ++k)
        sum += (high[k] - low[k]) * (high[k] - low[k]);
    return sum;
}

}  // namespace

int KorvelIndexedMeshLODDefinition::LoadText(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials,
                                             MeshResource* resource, const std::string& fileName,
                                             uint32_t defaultColour)
{
    Zel::File file;
    if (file.Open(fileName.c_str(), Zel::File::ModeRead) != 0)
        return MeshNoData;
    int64_t size = file.Size();
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size < 0 || file.Read(text.data(), size) != size)
        return MeshNoData;
    return LoadTextFrom(text, display, materials, resource, fileName, defaultColour);
}

int KorvelIndexedMeshLODDefinition::LoadTextFrom(const std::string& text, const Zel::DisplayCapabilities* display,
                                                 Zel::MaterialManager* materials, MeshResource* resource,
                                                 const std::string& fileName, uint32_t defaultColour)
{
    display_ = display;
    displayCanSkin_ = display && display->GetCapability(29);
    Zel::ConfigParser parser;
    Zel::ConfigData config;
    std::string error;
    if (!parser.Parse(text, config, error))
        return MeshNoData;
    if (static_cast<int>(std::trunc(parser.GetVersion() * 100)) != 100)
        return MeshBadVersion;
    std::vector<const Zel::ConfigData::Entry*> meshes;
    for (const Zel::ConfigData::Entry& entry : config.Entries()) {
        if (entry.key == "mesh")
            meshes.push_back(&entry);
    }
    if (meshes.empty())
        return MeshBadFormat;
    levels_.reserve(meshes.size());
    namedLevels_.reserve(meshes.size());
    std::vector<std::string> loaded;
    size_t next = 0;
    for (; next < meshes.size() && IsDistance(meshes[next]->value); ++next) {
        float distance = std::strtof(meshes[next]->value.c_str(), nullptr);
        const Zel::ConfigData::Entry* name = Child(*meshes[next], "name");
        if (!name)
            return MeshBadFormat;
        bool first = next == 0;
        if (!first && !(distance > switchDistances_.back()))
            return MeshBadFormat;
        if (int result = AddLODLevel(display, materials, resource, name->value, defaultColour, first))
            return result;
        loaded.push_back(name->value);
        switchDistances_.push_back(distance);
    }
    if (switchDistances_.empty())
        return MeshBadFormat;
    for (; next < meshes.size(); ++next) {
        NamedLevel named;
        named.name = Zel::AsciiLowerCopy(meshes[next]->value);
        // A numbered entry after a named one is out of order.
        if (IsDistance(named.name))
            return MeshBadFormat;
        for (const NamedLevel& earlier : namedLevels_) {
            if (earlier.name == named.name)
                return MeshBadFormat;
        }
        const Zel::ConfigData::Entry* animated = Child(*meshes[next], "animated");
        named.animated = animated && IsTrue(animated->value);
        const Zel::ConfigData::Entry* name = Child(*meshes[next], "name");
        if (!name)
            return MeshBadFormat;
        size_t index = 0;
        while (index < loaded.size() && loaded[index] != name->value)
            ++index;
        if (index == loaded.size()) {
            if (int result = AddLODLevel(display, materials, resource, name->value, defaultColour, false))
                return result;
            loaded.push_back(name->value);
        }
        named.level = static_cast<int32_t>(index);
        namedLevels_.push_back(named);
    }
    name_ = fileName;
    return ReadTextSettings(config);
}

int KorvelIndexedMeshLODDefinition::ReadTextSettings(const Zel::ConfigData& config)
{
    offset_ = RootFloat(config, "offset", 0);
    multiplier_ = RootFloat(config, "multiplier", 1.0f);
    animationCutOff_ = RootFloat(config, "animationCutOff", 0);
    renderCutOff_ = RootFloat(config, "renderCutOff", 0);
    attachmentCutOff_ = RootFloat(config, "attachmentCutOff", 0);
    calcPoint_ = 0;
    if (const Zel::ConfigData::Entry* point = Root(config, "calcPoint")) {
        std::string value = Zel::AsciiLowerCopy(point->value);
        calcPoint_ = value == "near" ? 1u : (value == "far" ? 2u : 0u);
    }
    levelCount_ = static_cast<uint32_t>(levels_.size());
    TakeLastNumberedLevel();
    ProcessCullAttachments();
    return MeshOk;
}

int KorvelIndexedMeshLODDefinition::AddLODLevel(const Zel::DisplayCapabilities* display,
                                                Zel::MaterialManager* materials, MeshResource* resource,
                                                const std::string& meshFile, uint32_t defaultColour, bool first)
{
    auto level = std::make_unique<KorvelIndexedMeshDefinition>(options_);
    // Later levels number their bone matrices by the table of the first.
    if (!first)
        level->SetBoneNameTable(&boneTableNames_);
    std::string base = resource ? resource->name : name_;
    std::string path = !meshFile.empty() && meshFile[0] == '/' ? meshFile : FolderOf(base) + meshFile;
    int result = MeshOk;
    // A geometry configuration parses on its own terms: its parser failure is
    // 1, where the description's own is 2, so a caller can tell which file broke.
    if (IsGeometryConfiguration(path)) {
        result = level->LoadConfig(display, materials, resource, path, defaultColour);
    } else {
        result = level->OpenMeshFile(path);
        if (result == MeshOk)
            result = level->Load(display, materials, resource, path, defaultColour);
    }
    if (result != MeshOk)
        return result;
    if (first) {
        memcpy(position_, level->GetPosition(), sizeof position_);
        memcpy(orientation_, level->GetOrientation(), sizeof orientation_);
        memcpy(boundsMin_, level->GetBoundsMin(), sizeof boundsMin_);
        memcpy(boundsMax_, level->GetBoundsMax(), sizeof boundsMax_);
        box_ = level->GetOrientedBox();
        attachments_ = level->GetAttachments();
        if (level->GetSkeleton())
            skeletonRoot_ = CopyBoneTree(*level->GetSkeleton());
        influences_.clear();
        boneTableNames_.clear();
        for (const InfluenceDefinition& influence : level->GetInfluences()) {
            InfluenceDefinition bone = influence;
            bone.entries.clear();
            influences_.push_back(std::move(bone));
            boneTableNames_.push_back(influence.name);
        }
        boneLevelWeights_.assign(influences_.size(), {});
    } else if (level->GetAttachments().size() != attachments_.size() ||
               level->GetInfluences().size() != influences_.size()) {
        return MeshBadFormat;
    }
    MeshLODRecord record;
    record.chunkCount = static_cast<uint32_t>(level->GetChunkCount());
    record.vertexTotal = level->GetVertexTotal();
    record.faceTotal = level->GetFaceTotal();
    record.hardwareSkinning = level->UsesHardwareSkinning();
    record.chunks = level->GetChunks();
    record.materials = level->GetMaterials();
    if (DiagonalSquared(level->GetBoundsMin(), level->GetBoundsMax()) > DiagonalSquared(boundsMin_, boundsMax_)) {
        memcpy(boundsMin_, level->GetBoundsMin(), sizeof boundsMin_);
        memcpy(boundsMax_, level->GetBoundsMax(), sizeof boundsMax_);
    }
    if (!influences_.empty())
        MergeLevelInfluences(level->GetInfluences());
    for (int c = 0; c < level->GetChunkCount(); ++c)
        record.chunkBoneNames.push_back(level->GetChunkBoneName(c));
    RememberStoredNames(*level);
    levels_.push_back(std::move(record));
    childDefinitions_.push_back(std::move(level));
    return MeshOk;
}

void KorvelIndexedMeshLODDefinition::MergeLevelInfluences(const std::vector<InfluenceDefinition>& levelInfluences)
{
    size_t levelIndex = levels_.size();
    for (size_t b = 0; b < influences_.size(); ++b) {
        boneLevelWeights_[b].resize(levelIndex + 1);
        // A bone the level does not name gets an empty entry for it.
        for (const InfluenceDefinition& influence : levelInfluences) {
            if (influence.name == influences_[b].name) {
                boneLevelWeights_[b][levelIndex] = influence.entries;
                break;
            }
        }
    }
}

void KorvelIndexedMeshLODDefinition::RememberStoredNames(const KorvelIndexedMeshDefinition& source)
{
    for (int k = 0; k < static_cast<int>(source.GetMaterials().Size()); ++k)
        storedNames_[source.GetMaterial(k)] = source.GetStoredMaterialName(k);
}
