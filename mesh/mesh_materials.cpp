// KorvelIndexedMeshDefinition: "MATL" records, materials through the material manager with fallbacks, and texture loading.
#include <cstring>

#include "mesh/indexed_mesh_definition.h"
#include "zel/jirf.h"
#include "zel/material_manager.h"
#include "zel/mesh_file_support.h"

namespace {

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ReadColour(Zel::MemoryFile& file, float colour[4])
{
    for (int k = 0; k < 3; ++k)
        file.Read(colour[k]);
}

}  // namespace

std::string ResolveTexturePath(const std::string& name, const MeshResource* resource)
{
    std::string folder = resource ? FolderOf(resource->name) : std::string();
    std::string file = FileNameOf(name);
    return folder.empty() ? file : folder + "/" + file;
}

std::string DecorateMaterialName(const std::string& stored, const MeshResource* resource)
{
    std::string owner = resource ? resource->owner : std::string();
    std::string folder = resource ? FolderOf(resource->name) : std::string();
    return owner + "*" + folder + "*" + stored;
}

int KorvelIndexedMeshDefinition::ReadMaterial(Zel::MaterialManager* materials, MeshResource* resource, int i)
{
    Zel::JIRFChunkHead head =
        Zel::JIRFReadChunkHead(file_.Data(), file_.Size(), file_.PositionRef(), Zel::JIRFTag("MATL"));
    if (!head.tagRead || head.tag != Zel::JIRFTag("MATL"))
        return MeshBadFormat;
    if (head.version != 102 && head.version != 103)
        return MeshBadVersion;
    int64_t end = head.End();
    MaterialRecord record;
    Zel::MeshFileSupport::ReadPaddedString(file_, end, record.storedName);
    record.name = DecorateMaterialName(record.storedName, resource);
    uint32_t properties = 0;
    file_.Read(properties);
    // Two padded strings take at least eight bytes.
    if (uint64_t{properties} * 8 > LeftBefore(end))
        return MeshBadFormat;
    for (uint32_t p = 0; p < properties; ++p) {
        std::string name, value;
        Zel::MeshFileSupport::ReadPaddedString(file_, end, name);
        Zel::MeshFileSupport::ReadPaddedString(file_, end, value);
        record.properties.emplace_back(std::move(name), std::move(value));
    }
    uint32_t flag = 0;
    file_.Read(flag);
    record.flag = flag != 0;
    file_.Read(record.opacity);
    ReadColour(file_, record.colours.ambient);
    ReadColour(file_, record.colours.diffuse);
    ReadColour(file_, record.colours.specular);
    ReadColour(file_, record.colours.emissive);
    file_.Read(record.colours.power);
    // Writers double the emissive colour.
    for (float& component : record.colours.emissive)
        component *= 0.5f;
    if (head.version == 102) {
        for (float& component : record.colours.specular)
            component = 0.0f;
        record.colours.power = 10.0f;
    } else if (record.colours.power < 10.0f) {
        record.colours.power = 10.0f;
    }
    uint32_t textures = 0;
    file_.Read(textures);
    // Slot, padded name and value: twelve bytes at least.
    if (uint64_t{textures} * 12 > LeftBefore(end))
        return MeshBadFormat;
    for (uint32_t t = 0; t < textures; ++t) {
        TextureDefinition texture;
        std::string file;
        file_.Read(texture.slot);
        Zel::MeshFileSupport::ReadPaddedString(file_, end, file);
        file_.Read(texture.value);
        texture.file = ResolveTexturePath(file, resource);
        record.textures.push_back(std::move(texture));
    }
    return CreateMaterialFromRecord(materials, resource, i, record);
}

int KorvelIndexedMeshDefinition::CreateMaterialFromRecord(Zel::MaterialManager* materials, MeshResource* resource,
                                                          int i, MaterialRecord& record)
{
    Zel::Material* material = nullptr;
    if (materials) {
        int code = materials->Request(record.name, material);
        if (code != Zel::MaterialManager::RequestOk) {
            if (resource)
                resource->missingMaterialNames.push_back(record.name);
            if (!resource || !resource->allowFallbackMaterials)
                return code == Zel::MaterialManager::RequestNotFound ? MeshMaterialNotFound : MeshMaterialFailed;
            std::string type, base;
            materials->SplitDecoratedMaterialName(record.name, type, base);
            if (materials->Request(base + "m." + materials->GetFallbackTypeName(), material) !=
                Zel::MaterialManager::RequestOk)
                return MeshMaterialFailed;
            material->SetRequestName(record.name);
        }
        material->SetResourcePriority(resource ? resource->priority : 0);
    } else {
        std::string type = record.name, base;
        size_t token = record.name.rfind(Zel::Material::DecoratedTypeToken);
        type = token == std::string::npos ? std::string() : record.name.substr(token + 3);
        material = new Zel::NullMaterial(type, type);
        material->SetCreationType(type);
    }
    material->SetDisplayMaterialProperties(record.colours);
    material->SetFlags((material->GetFlags() & ~1u) | (record.flag ? 1u : 0u));
    material->SetOpacity(record.opacity);
    for (const auto& property : record.properties)
        material->AddProperty(property.first, property.second);
    size_t slot = static_cast<size_t>(i);
    if (slot < materials_.Size()) {
        materials_.Set(slot, material);
        storedMaterialNames_[slot] = record.storedName;
    } else {
        materials_.PushBack(material);
        storedMaterialNames_.push_back(record.storedName);
    }
    MaterialUse use;
    use.textures = record.textures;
    use.resource = resource;
    use.material = material;  // the creation reference moves into the use
    use.name = record.name;
    pendingTextures_.push_back(std::move(use));
    return MeshOk;
}

void KorvelIndexedMeshDefinition::LoadTextures(Zel::TextureSource* source)
{
    for (MaterialUse& use : pendingTextures_) {
        for (const TextureDefinition& texture : use.textures) {
            int result = use.material->SetTexture(texture.slot, source, texture.file, texture.value);
            // Bit 3 marks materials for which an absent texture is expected.
            bool acceptable = result == Zel::Material::TextureMissing && (use.material->GetFlags() & 8u) != 0;
            if (result != 0 && !acceptable)
                missingTextures_.push_back(texture);
        }
        use.material->ReleaseReference();
        use.material = nullptr;
    }
    pendingTextures_.clear();
}
