// Engine resource system: the process-wide home of resource databases (headless: nothing is cached).
#pragma once

#include "zel/options.h"

namespace Zel {

class ResourceSystem {
public:
    ResourceSystem() = default;
    virtual ~ResourceSystem() = default;
    ResourceSystem(const ResourceSystem&) = delete;
    ResourceSystem& operator=(const ResourceSystem&) = delete;

    bool Init(const Options& options);
    bool IsInitialised() const { return initialised_; }
    // Drops cached resources nothing uses; returns how many went.
    int DumpUnusedResourcesFromCache();
    int DumpCount() const { return dumps_; }

private:
    bool initialised_ = false;
    int dumps_ = 0;
};

}  // namespace Zel
