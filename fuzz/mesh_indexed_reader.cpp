// Fuzz target: the indexed mesh reader on any bytes; it ends in a result code and a loaded mesh is consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_mesh_load.h"
#include "mesh/indexed_mesh_definition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Both display set-ups: capability 29 changes which blend streams a chunk has.
    for (bool canSkin : {false, true}) {
        Zel::DisplayCapabilities display;
        display.SetCapability(29, canSkin);
        Zel::MaterialManager materials;
        MeshResource resource;
        resource.name = "fuzz/mesh.im";
        resource.allowFallbackMaterials = canSkin;
        KorvelIndexedMeshDefinition definition;
        if (LoadFuzzMesh(definition, resource, data, size, display, materials) != MeshOk)
            continue;
        uint64_t vertices = 0;
        for (int c = 0; c < definition.GetChunkCount(); ++c) {
            Zel::GeometryChunk* chunk = definition.GetChunk(c);
            vertices += chunk->GetVertexCount();
            const uint16_t* indices = chunk->GetIndices();
            for (uint32_t k = 0; indices && k < chunk->GetIndexCount(); ++k) {
                if (indices[k] >= chunk->GetVertexCount())
                    std::abort();
            }
        }
        if (vertices != definition.GetVertexTotal())
            std::abort();
        definition.LoadTextures(nullptr);
        definition.GetCollisionTree(nullptr);
    }
    return 0;
}
