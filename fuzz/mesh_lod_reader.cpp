// Fuzz target: the LOD mesh reader on any bytes; it ends in a result code, and a loaded mesh saves, re-reads and saves to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_mesh_load.h"
#include "mesh/indexed_mesh_lod_definition.h"

namespace {

int LoadLod(const uint8_t* data, size_t size, Zel::DisplayCapabilities& display, Zel::MaterialManager& materials,
            KorvelIndexedMeshLODDefinition& definition)
{
    MeshResource resource;
    resource.name = "fuzz/mesh.lm";
    const int result = LoadFuzzMesh(definition, resource, data, size, display, materials);
    return result == MeshOk ? definition.CompleteLoad(nullptr) : result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (bool canSkin : {false, true}) {
        Zel::DisplayCapabilities display;
        display.SetCapability(29, canSkin);
        Zel::MaterialManager materials;
        KorvelIndexedMeshLODDefinition definition;
        int result = LoadLod(data, size, display, materials, definition);
        if (result < 0 || result > 9)
            std::abort();
        if (result != MeshOk)
            continue;
        if (definition.GetSwitchDistances().empty() ||
            definition.GetLevelCount() < definition.GetSwitchDistances().size())
            std::abort();
        std::string first;
        if (!definition.Serialise(first))
            std::abort();
        KorvelIndexedMeshLODDefinition again;
        Zel::MaterialManager fresh;
        if (LoadLod(reinterpret_cast<const uint8_t*>(first.data()), first.size(), display, fresh, again) != MeshOk)
            std::abort();
        std::string second;
        if (!again.Serialise(second) || second != first)
            std::abort();
    }
    return 0;
}
