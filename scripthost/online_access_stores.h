// The message boxes the OnlineAccess class keeps between runs.
#pragma once

#include "soup/soup_handle.h"

struct OnlineAccessStores {
    SoupHandle offlineInbox;
    SoupHandle offlineOutbox;
};

// The process's boxes, as the OnlineAccess registration read them.
OnlineAccessStores& GetOnlineAccessStores();
