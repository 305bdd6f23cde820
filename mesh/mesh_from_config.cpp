// KorvelIndexedMeshDefinition: building a mesh from an interpreted geometry configuration.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "mesh/indexed_mesh_definition.h"
#include "zel/config_data.h"
#include "zel/display_capabilities.h"
#include "zel/geometry_config_data.h"
#include "zel/material_manager.h"

namespace {

std::string BaseNameWithoutExtension(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

template <class T, size_t N>
void CopyInto(Zel::VertexStream stream, const std::vector<std::array<T, N>>& values, uint32_t count)
{
    if (!stream)
        return;
    for (uint32_t v = 0; v < count && v < values.size(); ++v)
        memcpy(stream.data + size_t{v} * stream.stride, values[v].data(), sizeof(T) * N);
}

void CopyColours(Zel::VertexStream stream, const std::vector<std::optional<uint32_t>>& colours, uint32_t count,
                 uint32_t defaultColour)
{
    if (!stream)
        return;
    for (uint32_t v = 0; v < count; ++v) {
        uint32_t colour = v < colours.size() && colours[v] ? *colours[v] : defaultColour;
        memcpy(stream.data + size_t{v} * stream.stride, &colour, 4);
    }
}

}  // namespace

int KorvelIndexedMeshDefinition::LoadConfig(const Zel::DisplayCapabilities* display, Zel::MaterialManager* materials,
                                            MeshResource* resource, const std::string& fileName, uint32_t defaultColour)
{
    name_ = fileName;
    Zel::MemoryFile file;
    if (file.Open(fileName.c_str()) != 0)
        return MeshNoData;
    Zel::ConfigData root;
    Zel::ConfigParser parser;
    std::string error;
    if (!parser.Parse(std::string(reinterpret_cast<const char*>(file.Data()), file.Size()), root, error))
        return MeshParseFailed;
    if (root.Entries().empty())
        return MeshBadFormat;
    Zel::GeometryConfigData config;
    config.LoadConfigData(root, true, true, true, name_);
    return BuildFromConfig(display, materials, resource, config, name_, defaultColour);
}

int KorvelIndexedMeshDefinition::BuildFromConfig(const Zel::DisplayCapabilities* display,
                                                 Zel::MaterialManager* materials, MeshResource* resource,
                                                 const Zel::GeometryConfigData& config, const std::string& fileName,
                                                 uint32_t defaultColour)
{
    if (!materials)
        return MeshNoMaterialManager;
    if (name_.empty())
        name_ = fileName;
    if (!config.interpreted && config.GetMaxVertices() == 0)
        return MeshBadFormat;
    displayCanSkin_ = display && display->GetCapability(29);
    memcpy(position_, config.position, sizeof position_);
    memcpy(orientation_, config.orientation, sizeof orientation_);
    chunkCount_ = config.GetNumChunks();
    maxInfluencesPerVertex_ = config.maxInfluencesPerVertex;
    maxBonesPerChunk_ = config.maxBonesPerChunk;
    chunks_.Allocate(static_cast<size_t>(chunkCount_));
    materials_.Allocate(static_cast<size_t>(chunkCount_));
    for (int i = 0; i < chunkCount_; ++i) {
        if (int result = CreateMaterial(materials, resource, config, i))
            return result;
        if (int result = BuildChunk(resource, config, i, defaultColour))
            return result;
    }
    CopyInfluences(config);
    CopyAttachments(config);
    RefreshTotals();
    BuildSkeletonFromInfluences();
    AddInfluenceMatrices();
    ComputeBounds();
    ComputeTexelScale();
    return MeshOk;
}

int KorvelIndexedMeshDefinition::CreateMaterial(Zel::MaterialManager* materials, MeshResource* resource,
                                                const Zel::GeometryConfigData& config, int i)
{
    const Zel::GeometryConfigData::Material& source = config.chunks[static_cast<size_t>(i)].material;
    MaterialRecord record;
    for (const auto& texture : source.textures)
        record.textures.push_back({texture.slot, ResolveTexturePath(texture.file, resource), texture.value});
    record.name = source.name;
    record.storedName = source.name;
    if (record.name.empty() || record.name.find(Zel::Material::DecoratedTypeToken) == std::string::npos) {
        // A name of our own, unique per call, in the decorated form the manager splits.
        char made[512];
        std::snprintf(made, sizeof made, "KorvelIndexedMeshDefinition::CreateMaterial> *%s*%x*%s*",
                      BaseNameWithoutExtension(name_).c_str(), static_cast<unsigned>(std::rand()), source.name.c_str());
        record.name = made;
    }
    record.properties = source.properties;
    record.flag = source.flag;
    record.opacity = source.opacity;
    record.colours = source.colours;
    record.colours.power *= 128.0f;
    return CreateMaterialFromRecord(materials, resource, i, record);
}

int KorvelIndexedMeshDefinition::BuildChunk(MeshResource* resource, const Zel::GeometryConfigData& config, int i,
                                            uint32_t defaultColour)
{
    const Zel::GeometryConfigData::Chunk& source = config.chunks[static_cast<size_t>(i)];
    Zel::StandardChunkHint hint(2, 0);
    PrepareHint(hint, resource);
    uint32_t vertexCount = static_cast<uint32_t>(source.positions.size());
    uint32_t indexCount = static_cast<uint32_t>(source.indices.size());
    uint32_t faceCount = indexCount / 3;
    uint32_t faceNormalCount = static_cast<uint32_t>(source.faceNormals.size());
    uint32_t sets = static_cast<uint32_t>(source.texCoords.size());
    hint.texCoordSets = sets;
    PrepareSkinning(hint, source.maxWeightsPerVertex, source.maxWeightsPerVertex, maxBonesPerChunk_);
    Zel::GeometryChunk* chunk = materials_[static_cast<size_t>(i)]->CreateGeometryChunk(
        vertexCount, faceCount, indexCount, faceNormalCount, Zel::GeometryList, hint);
    if (!chunk)
        return MeshBadFormat;
    chunks_.PushBack(chunk);
    chunk->ReleaseReference();
    chunkBoneNames_.PushBack(std::string());
    if (vertexCount > 0) {
        if (hardwareSkinning_ && source.maxWeightsPerVertex > 0 &&
            !InitialiseBlendData(*chunk, source.maxWeightsPerVertex, hint.floatWeights))
            return MeshMissingStream;
        Zel::VertexStream positions = chunk->GetItem(Zel::ItemPosition);
        if (!positions)
            return MeshMissingStream;
        CopyInto(positions, source.positions, vertexCount);
        for (uint32_t set = 0; set < sets && set < 8; ++set)
            CopyInto(chunk->GetItem(Zel::ItemTexCoord0 + static_cast<int>(set)), source.texCoords[set], vertexCount);
        uint16_t* indices = chunk->GetIndices();
        if (indexCount > 0 && !indices)
            return MeshMissingStream;
        for (uint32_t k = 0; k < indexCount; ++k) {
            // A configuration is outside input too: an index past the vertices is refused.
            if (source.indices[k] >= vertexCount)
                return MeshBadFormat;
            indices[k] = source.indices[k];
        }
        CopyInto(chunk->GetItem(Zel::ItemNormal), source.normals, vertexCount);
        CopyColours(chunk->GetItem(Zel::ItemColour), source.colours, vertexCount, defaultColour);
        CopyColours(chunk->GetItem(Zel::ItemColour2), source.colours2, vertexCount, defaultColour);
    }
    if (faceNormalCount > 0) {
        float* faceNormals = chunk->GetFaceNormals();
        if (!faceNormals)
            return MeshMissingStream;
        memcpy(faceNormals, source.faceNormals.data(), size_t{faceNormalCount} * 12);
    }
    return MeshOk;
}

void KorvelIndexedMeshDefinition::CopyInfluences(const Zel::GeometryConfigData& config)
{
    influences_.clear();
    for (const auto& source : config.influences) {
        InfluenceDefinition influence;
        influence.name = source.name;
        influence.parent = source.parent;
        memcpy(influence.position, source.position, sizeof influence.position);
        Zel::MatrixFromQuaternion(source.orientation, influence.orientation);
        for (const auto& entry : source.entries) {
            if (entry.second.empty())
                continue;
            InfluenceChunkWeights weights;
            weights.chunk = entry.first;
            for (const auto& weight : entry.second)
                weights.weights.push_back(
                    {weight.vertex, weight.weight, {weight.extra[0], weight.extra[1], weight.extra[2]}});
            influence.entries.push_back(std::move(weights));
        }
        influences_.push_back(std::move(influence));
    }
}

void KorvelIndexedMeshDefinition::CopyAttachments(const Zel::GeometryConfigData& config)
{
    attachments_.clear();
    for (const auto& source : config.attachments) {
        MeshAttachment attachment;
        attachment.name = source.name;
        Zel::MatrixFromQuaternion(source.orientation, attachment.orientation);
        memcpy(attachment.position, source.position, sizeof attachment.position);
        attachments_.push_back(std::move(attachment));
    }
}
