// Fuzz target: the LOD text description on any text, with two level files beside it; it ends in a result code.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "mesh/im_writer.h"
#include "mesh/indexed_mesh_lod_definition.h"
#include "zel/display_capabilities.h"
#include "zel/material_manager.h"

namespace {

// A folder with "a.im" and "b.im" (a quad each) that the descriptions can
// name; removed at exit. Kept in a plain array: it must outlive the exit
// handler that removes it.
char levelFolder[32] = "/tmp/korvel-fuzz-lod-XXXXXX";

void RemoveLevelFolder()
{
    unlink((std::string(levelFolder) + "/a.im").c_str());
    unlink((std::string(levelFolder) + "/b.im").c_str());
    rmdir(levelFolder);
}

const char* LevelFolder()
{
    static const bool made = [] {
        if (!mkdtemp(levelFolder))
            return false;
        KorvelTest::ImFile file;
        file.chunks.push_back(KorvelTest::QuadChunk());
        std::ofstream(std::string(levelFolder) + "/a.im", std::ios::binary) << KorvelTest::WriteIm(file);
        file.chunks.push_back(KorvelTest::QuadChunk("glass.m.notex", 2));
        std::ofstream(std::string(levelFolder) + "/b.im", std::ios::binary) << KorvelTest::WriteIm(file);
        std::atexit(RemoveLevelFolder);
        return true;
    }();
    return made ? levelFolder : "/nonexistent";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Zel::DisplayCapabilities display;
    Zel::MaterialManager materials;
    MeshResource resource;
    resource.name = std::string(LevelFolder()) + "/mesh.lm.txt";
    KorvelIndexedMeshLODDefinition definition;
    std::string text(reinterpret_cast<const char*>(data), size);
    int result = definition.LoadTextFrom(text, &display, &materials, &resource, resource.name, 0xFFFFFFFFu);
    if (result < 0 || result > 9)
        std::abort();
    if (result == MeshOk) {
        if (definition.CompleteLoad(nullptr) != MeshOk)
            std::abort();
        std::string bytes;
        if (!definition.Serialise(bytes))
            std::abort();
    }
    return 0;
}
