// Test fixture: quads skinned by one and by two bones, their local points, and vertex positions read back from an instance.
#pragma once

#include <array>
#include <cstring>
#include <vector>

#include "mesh/im_writer.h"
#include "mesh/indexed_mesh_instance.h"

namespace KorvelTest {

// A quad whose vertex 0 only is skinned, by its one bone "root".
inline ImFile OneBoneQuad()
{
    ImFile file;
    file.chunks.push_back(KorvelTest::QuadChunk());
    file.chunks[0].geometry.weightsPerVertex = 1;
    file.maxInfluences = 1;
    file.maxBones = 1;
    file.writeInfluences = true;
    file.influences.resize(1);
    file.influences[0].name = "root";
    file.influences[0].entries = {{0, {{0, 1.0f}}}};
    return file;
}

// A quad skinned by "root" (vertices 0 and 1) and "arm", one unit along x
// (vertices 2 and 3, half each with root for vertex 3).
inline ImFile ArmQuad()
{
    ImFile file = OneBoneQuad();
    file.chunks[0].geometry.weightsPerVertex = 2;
    file.maxInfluences = file.maxBones = 2;
    file.influences.resize(2);
    file.influences[0].entries = {{0, {{0, 1.0f}, {1, 1.0f}, {3, 0.5f}, {9, 1.0f}}}};
    file.influences[1].name = "arm";
    file.influences[1].parent = "root";
    file.influences[1].position[0] = 1;
    file.influences[1].entries = {{0, {{2, 1.0f}, {3, 0.5f}}}};
    return file;
}

// Local points: what each weight moves (the bind pose puts vertex v there).
inline void SetLocalPoints(KorvelIndexedMeshDefinition& definition)
{
    auto& influences = const_cast<std::vector<InfluenceDefinition>&>(definition.GetInfluences());
    float root[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}};
    for (InfluenceWeight& w : influences[0].entries[0].weights) {
        if (w.vertex < 4)
            memcpy(w.extra, root[w.vertex], 12);
    }
    influences[1].entries[0].weights[0].extra[1] = 1;  // vertex 2: (0, 1, 0) from the arm
    influences[1].entries[0].weights[1].extra[1] = 1;  // vertex 3: half of it
}

inline std::array<float, 3> Position(const KorvelIndexedMeshInstance& instance, uint32_t vertex, uint32_t chunk = 0)
{
    std::array<float, 3> p;
    memcpy(p.data(), instance.GetChunk(chunk)->GetItem(Zel::ItemPosition).data + size_t{vertex} * 12, 12);
    return p;
}

}  // namespace KorvelTest
