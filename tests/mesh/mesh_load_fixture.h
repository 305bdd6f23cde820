// Test fixture: loads ".im" bytes through a real definition with the headless display and material manager.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mesh/indexed_mesh_definition.h"
#include "mesh/im_writer.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

namespace KorvelTest {

struct MeshLoad {
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    MeshResource resource;
    std::unique_ptr<KorvelIndexedMeshDefinition> definition;
    bool withManager = true;

    MeshLoad() { resource.name = "assets/shed/shed.im"; }

    int Load(const std::string& bytes, const MeshOptions& options = MeshOptions())
    {
        definition = std::make_unique<KorvelIndexedMeshDefinition>(options);
        definition->GetFile().Open(std::vector<uint8_t>(bytes.begin(), bytes.end()), resource.name);
        return definition->Load(&display, withManager ? &materials : nullptr, &resource, resource.name,
                                display.GetDefaultVertexColour());
    }
    int Load(const ImFile& file, const MeshOptions& options = MeshOptions()) { return Load(WriteIm(file), options); }
};

}  // namespace KorvelTest
