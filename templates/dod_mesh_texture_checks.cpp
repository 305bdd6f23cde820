// Mesh check objects: the materials' textures, their descriptions' "Primary=" images, and textures the mesh could not set.
#include <string>

#include "mesh/indexed_mesh_definition.h"
#include "templates/dod_data_manager.h"
#include "templates/dod_error_handler.h"
#include "templates/dod_mesh_data.h"
#include "templates/dod_messages.h"
#include "zel/ascii.h"
#include "zel/file.h"
#include "zel/material.h"

namespace DODLib {

namespace {

// Descriptions are read a line of this size at a time.
constexpr int DescriptionLineSize = 512;

// A texture file as findings show it: relative to the asset's folder.
std::string BelowAsset(const std::string& path)
{
    Zel::File::Path relative(path.c_str());
    if (relative.MakeRelativeTo(DataManager::Instance()->GetAssetFullPath()))
        return relative.Str();
    return path;
}

// The image the first "Primary=" line names, lower-cased; empty when no line does.
std::string PrimaryImageOf(const std::string& description)
{
    Zel::File file;
    if (file.Open(description.c_str(), Zel::File::ModeReadPath) != 0)
        return std::string();
    char line[DescriptionLineSize];
    while (file.ReadLine(line, DescriptionLineSize) > 0) {
        std::string text(line);
        if (text.rfind("Primary=", 0) != 0)
            continue;
        text.erase(0, 8);
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
            text.pop_back();
        return Zel::AsciiLowerCopy(text);
    }
    return std::string();
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

void MeshData::CheckMaterials(const KorvelIndexedMeshDefinition& definition)
{
    ErrorHandler* errors = ErrorHandler::Instance();
    const std::string mesh = ShownMeshName();
    for (const TextureDefinition& texture : definition.GetMissingTextures())
        errors->AddError(FindingText("$dod_mesh_failedmaterial", BelowAsset(texture.file), mesh), container_);
    for (const Zel::Material* material : MaterialsToCheck()) {
        if (material)
            CheckMaterialTextures(*material);
    }
}

void MeshData::CheckMaterialTextures(const Zel::Material& material)
{
    ErrorHandler* errors = ErrorHandler::Instance();
    const std::string mesh = ShownMeshName();
    for (const Zel::Material::TextureUse& use : material.GetTextures()) {
        const std::string& texture = use.file;
        if (texture.empty())
            continue;
        // A described texture names its image in its description; the image
        // must be there even when the description is.
        const Zel::File::Path path(texture.c_str());
        std::string description;
        if (path.IsExt("txt"))
            description = texture;
        else if (path.IsExt("texture"))
            description = texture + ".txt";
        if (!description.empty() && Zel::File::IsFile(description.c_str())) {
            const std::string image = PrimaryImageOf(description);
            const std::string imagePath = FolderOf(description) + image;
            if (!image.empty() && !Zel::File::IsFile(imagePath.c_str()))
                errors->AddError(FindingText("$dod_mesh_load_texture", BelowAsset(imagePath), BelowAsset(texture), mesh),
                                 container_);
        }
        // A texture the material loaded was found through the same files
        // the texture manager reads: asking again would only repeat it.
        Zel::FileTextureSource textures;
        if (!use.loaded && !textures.Load(texture))
            errors->AddError(FindingText("$dod_mesh_load_texture", BelowAsset(texture), BelowAsset(texture), mesh),
                             container_);
    }
}

}  // namespace DODLib
