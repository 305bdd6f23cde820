// Engine resource system (headless: it keeps no cache of its own).
#include "zel/resource_system.h"

namespace Zel {

bool ResourceSystem::Init(const Options& /*options*/)
{
    initialised_ = true;
    return true;
}

int ResourceSystem::DumpUnusedResourcesFromCache()
{
    ++dumps_;
    return 0;
}

}  // namespace Zel
