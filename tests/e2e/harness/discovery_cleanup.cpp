// Removes a test root's daemon discovery block and lock file once its daemon has ended.
#include "e2e/harness/discovery_cleanup.h"

#include <unistd.h>

#include "assetdb/protocol/kad_ipc_names.h"
#include "platform/ipc.h"

namespace E2E {

void RemoveDaemonDiscoveryNames(const std::string& root)
{
    KADIpcNameSet names;
    if (!KADIpcNames(root + "/UserData/assets.tdx", names))
        return;
    Platform::SharedBlock::Remove(names.blockWindowsName);
    unlink(names.lockPath.c_str());
}

}  // namespace E2E
