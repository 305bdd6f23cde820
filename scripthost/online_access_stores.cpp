// The message boxes the OnlineAccess class keeps between runs.
#include "scripthost/online_access_stores.h"

OnlineAccessStores& GetOnlineAccessStores()
{
    static OnlineAccessStores stores;
    return stores;
}
