// The program's plug-in registration: the material plug-ins, then the resource types.
#include "mesh/module_plugins.h"

#include "mesh/material_plugin_export.h"

void RegisterModulePlugins()
{
    RegisterMaterialPlugins();
    RegisterResourceTypePlugins();
}
