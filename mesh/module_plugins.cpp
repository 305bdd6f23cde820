// The program's plug-in registration: the material plug-ins, the resource types, then the factories behind the mesh ones.
#include "mesh/module_plugins.h"

#include "mesh/material_plugin_export.h"
#include "mesh/mesh_resources.h"

void RegisterModulePlugins()
{
    RegisterMaterialPlugins();
    RegisterResourceTypePlugins();
    RegisterMeshResourceTypes();
}
