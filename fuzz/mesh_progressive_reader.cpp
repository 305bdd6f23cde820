// Fuzz target: the progressive mesh reader on any bytes; a loaded mesh coarsens to its base and refines back to the same indices.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_mesh_load.h"
#include "mesh/progressive_mesh_instance.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    MeshResource resource;
    resource.name = "fuzz/mesh.pm";
    resource.allowFallbackMaterials = true;
    KorvelProgressiveMeshDefinition definition;
    if (LoadFuzzMesh(definition, resource, data, size, display, materials) != MeshOk)
        return 0;
    KorvelProgressiveMeshInstance instance(nullptr);
    instance.SetProgressiveDefinition(definition);
    std::vector<std::vector<uint16_t>> full;
    for (uint32_t c = 0; c < instance.GetChunkCount(); ++c) {
        const uint16_t* indices = instance.GetChunk(c)->GetIndices();
        full.emplace_back(indices, indices + instance.GetChunk(c)->GetIndexCount());
    }
    uint32_t faces = instance.GetTotalFaces();
    instance.CoarsenToFaces(0);
    instance.RefineToFaces(0xFFFFFFFFu);
    if (instance.GetTotalFaces() != faces)
        std::abort();
    for (uint32_t c = 0; c < instance.GetChunkCount(); ++c) {
        if (memcmp(instance.GetChunk(c)->GetIndices(), full[c].data(), full[c].size() * 2) != 0)
            std::abort();
    }
    return 0;
}
