// The program's plug-in registration: no material plug-ins or mesh resource types exist yet.
#include "mesh/module_plugins.h"

void RegisterModulePlugins()
{
    // The mesh resource types and material plug-ins register here once they
    // exist; until then the engine's own image types are all there is.
}
