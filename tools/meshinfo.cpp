// meshinfo: loads a mesh file through the real definitions and prints its result code and contents, one fact a line.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "mesh/indexed_mesh_definition.h"
#include "mesh/indexed_mesh_lod_definition.h"
#include "mesh/progressive_mesh_definition.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

namespace {

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The lines every kind prints; materials are given with the names they print under.
void PrintCommon(const KorvelIndexedMeshDefinition& definition, const std::vector<std::string>& materialNames)
{
    std::printf("chunks %d\n", definition.GetChunkCount());
    std::printf("vertices %u\n", definition.GetVertexTotal());
    std::printf("faces %u\n", definition.GetFaceTotal());
    std::printf("materials %zu\n", materialNames.size());
    for (size_t i = 0; i < materialNames.size(); ++i)
        std::printf("material %zu %s\n", i, materialNames[i].c_str());
    for (const TextureDefinition& texture : definition.GetMissingTextures())
        std::printf("missing-texture %s\n", texture.file.c_str());
    const std::vector<InfluenceDefinition>& influences = definition.GetInfluences();
    for (size_t i = 0; i < influences.size(); ++i)
        std::printf("influence %zu %s %s\n", i, influences[i].name.c_str(),
                    influences[i].parent.empty() ? "-" : influences[i].parent.c_str());
    for (const MeshAttachment& attachment : definition.GetAttachments())
        std::printf("attachment %s\n", attachment.name.c_str());
}

void PrintIndexed(const KorvelIndexedMeshDefinition& definition)
{
    std::vector<std::string> names;
    for (int i = 0; i < static_cast<int>(definition.GetMaterials().Size()); ++i)
        names.push_back(definition.GetStoredMaterialName(i));
    PrintCommon(definition, names);
}

void PrintLod(const KorvelIndexedMeshLODDefinition& definition)
{
    std::vector<std::string> names;
    for (const Zel::Material* material : definition.CollectMaterials())
        names.push_back(definition.GetWrittenMaterialName(material));
    PrintCommon(definition, names);
    std::printf("levels %zu\n", definition.GetLevelCount());
    const std::vector<float>& distances = definition.GetSwitchDistances();
    for (size_t i = 0; i < distances.size(); ++i)
        std::printf("distance %zu %.9g\n", i, static_cast<double>(distances[i]));
    for (const NamedLevel& named : definition.GetNamedLevels())
        std::printf("named-level %s %d\n", named.name.c_str(), named.level);
    for (const std::string& name : definition.GetCullAttachmentNames())
        std::printf("cull-attachment %s\n", name.c_str());
}

int LoadIndexed(const std::string& path, bool progressive)
{
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    Zel::FileTextureSource textures;
    MeshResource resource;
    resource.name = path;
    std::unique_ptr<KorvelIndexedMeshDefinition> made;
    if (progressive)
        made = std::make_unique<KorvelProgressiveMeshDefinition>();
    else
        made = std::make_unique<KorvelIndexedMeshDefinition>();
    KorvelIndexedMeshDefinition& definition = *made;
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

int LoadLod(const std::string& path, bool text, const char* saveTo)
{
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    Zel::FileTextureSource textures;
    MeshResource resource;
    resource.name = path;
    KorvelIndexedMeshLODDefinition definition;
    int result = MeshOk;
    if (text) {
        result = definition.LoadText(&display, &materials, &resource, path, display.GetDefaultVertexColour());
    } else {
        result = definition.OpenMeshFile(path);
        if (result == MeshOk)
            result = definition.Load(&display, &materials, &resource, path, display.GetDefaultVertexColour());
    }
    if (result == MeshOk)
        result = definition.CompleteLoad(&textures);
    if (result == MeshOk && saveTo) {
        int saved = definition.SaveToPath(saveTo);
        if (saved != MeshOk) {
            std::printf("result %d\n", result);
            std::fprintf(stderr, "meshinfo: could not write '%s' (result %d)\n", saveTo, saved);
            return 1;
        }
    }
    std::printf("result %d\n", result);
    if (result != MeshOk)
        return 1;
    PrintLod(definition);
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
    const char* saveTo = nullptr;
    if (argc >= 3) {
        if (std::string(argv[2]) != "--save" || argc != 4) {
            std::fprintf(stderr, "usage: meshinfo FILE [--save OUT]\n");
            return 2;
        }
        saveTo = argv[3];
    }
    bool lod = EndsWith(path, ".lm") || EndsWith(path, ".lm.txt");
    if (saveTo && !lod) {
        std::fprintf(stderr, "meshinfo: --save writes LOD meshes only (\".lm\", \".lm.txt\")\n");
        return 2;
    }
    if (EndsWith(path, ".im") || EndsWith(path, ".pm"))
        return LoadIndexed(path, EndsWith(path, ".pm"));
    if (lod)
        return LoadLod(path, EndsWith(path, ".lm.txt"), saveTo);
    std::fprintf(stderr,
                 "meshinfo: '%s' is not a mesh kind this build reads (\".im\", \".pm\", \".lm\", \".lm.txt\")\n",
                 path.c_str());
    return 2;
}
