// meshinfo: loads a mesh file through the real definitions and prints its result code and contents, one fact a line.
#include <cstdio>
#include <string>

#include "mesh/indexed_mesh_definition.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

namespace {

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void PrintIndexed(const KorvelIndexedMeshDefinition& definition)
{
    std::printf("chunks %d\n", definition.GetChunkCount());
    std::printf("vertices %u\n", definition.GetVertexTotal());
    std::printf("faces %u\n", definition.GetFaceTotal());
    std::printf("materials %zu\n", definition.GetMaterials().Size());
    for (int i = 0; i < static_cast<int>(definition.GetMaterials().Size()); ++i)
        std::printf("material %d %s\n", i, definition.GetStoredMaterialName(i).c_str());
    for (const TextureDefinition& texture : definition.GetMissingTextures())
        std::printf("missing-texture %s\n", texture.file.c_str());
    const std::vector<InfluenceDefinition>& influences = definition.GetInfluences();
    for (size_t i = 0; i < influences.size(); ++i)
        std::printf("influence %zu %s %s\n", i, influences[i].name.c_str(),
                    influences[i].parent.empty() ? "-" : influences[i].parent.c_str());
    for (const MeshAttachment& attachment : definition.GetAttachments())
        std::printf("attachment %s\n", attachment.name.c_str());
}

int LoadIndexed(const std::string& path)
{
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    Zel::FileTextureSource textures;
    MeshResource resource;
    resource.name = path;
    KorvelIndexedMeshDefinition definition;
    int result = definition.OpenMeshFile(path);
    if (result == MeshOk)
        result = definition.Load(&display, &materials, &resource, path, display.GetDefaultVertexColour());
    if (result == MeshOk) {
        definition.LoadTextures(&textures);
        result = definition.InitChunkBuffers();
    }
    std::printf("result %d\n", result);
    if (result != MeshOk)
        return 1;
    PrintIndexed(definition);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: meshinfo FILE [--save OUT]\n");
        return 2;
    }
    std::string path = argv[1];
    if (EndsWith(path, ".im"))
        return LoadIndexed(path);
    std::fprintf(stderr, "meshinfo: '%s' is not a mesh kind this build reads (\".im\")\n", path.c_str());
    return 2;
}
