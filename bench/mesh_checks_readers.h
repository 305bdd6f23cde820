// The anchor of the mesh check benchmark: a LOD mesh file loaded through the mesh readers alone.
#pragma once

#include <string>

// Reads, loads and completes the LOD mesh at path with a headless display
// and material manager, textures looked for beside it; the load's result.
int LoadThroughMeshReaders(const std::string& path);
