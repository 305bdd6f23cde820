// The pending background build of a definition's collision tree: the loader's handle and the tree it fills.
#pragma once

#include <memory>

#include "mesh/indexed_mesh_definition.h"
#include "mesh/kv_axis_box_tree.h"
#include "mesh/overlapped_resource_system.h"

struct KorvelIndexedMeshDefinition::CollisionJob {
    Overlapped handle;
    std::unique_ptr<KVAxisBoxTree> result;
};
