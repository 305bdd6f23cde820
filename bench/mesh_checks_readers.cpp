// The anchor of the mesh check benchmark, apart from the validation's headers (two container families share a name).
#include "bench/mesh_checks_readers.h"

#include "mesh/indexed_mesh_lod_definition.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

int LoadThroughMeshReaders(const std::string& path)
{
    Zel::DisplayCapabilities display;
    Zel::FileTextureSource textures;
    Zel::MaterialManager materials;
    MeshResource resource;
    resource.name = path;
    KorvelIndexedMeshLODDefinition definition;
    int result = definition.OpenMeshFile(path);
    if (result == MeshOk)
        result = definition.Load(&display, &materials, &resource, path, display.GetDefaultVertexColour());
    if (result == MeshOk)
        result = definition.CompleteLoad(&textures);
    return result;
}
