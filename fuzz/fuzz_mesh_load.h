// Loading fuzz bytes as a mesh definition: the file opened over a copy of the bytes, the result code checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "mesh/mesh_records.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

// The resource stays the caller's: a loaded definition keeps pointing at it
// for the textures it loads later.
template <class Definition>
int LoadFuzzMesh(Definition& definition, MeshResource& resource, const uint8_t* data, size_t size,
                 Zel::DisplayCapabilities& display, Zel::MaterialManager& materials)
{
    definition.GetFile().Open(std::vector<uint8_t>(data, data + size), resource.name);
    const int result = definition.Load(&display, &materials, &resource, resource.name, 0xFFFFFFFFu);
    // Whatever the bytes, a load ends in one of the readers' result codes.
    if (result < 0 || result > 9)
        std::abort();
    return result;
}
