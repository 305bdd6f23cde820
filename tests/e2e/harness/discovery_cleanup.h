// Clean-up of the names a daemon publishes for its database (shared block, lock file).
#pragma once

#include <string>

namespace E2E {

// Each test root has its own database and so its own names in /dev/shm;
// without this they would pile up run after run.
void RemoveDaemonDiscoveryNames(const std::string& root);

}  // namespace E2E
