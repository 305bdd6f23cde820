// Requests of the link itself: the command host's keep-alive and the close request.
#include "assetdb/protocol/kad_protocol.h"
#include "daemon/command_host_manager.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"

void KADHandleHostKeepAlive(KADRequestContext& context)
{
    // From any other client it only proves the link works.
    KADCommandHostManager::Instance().HostHeard(context.connection.get());
}

// The client sends CloseDaemon and then waits until the connection is gone: the
// reply goes out, this connection closes, and the daemon winds down.
void KADHandleCloseDaemon(KADRequestContext& context)
{
    context.closeAfterReply = true;
    if (context.control != nullptr)
        context.control->RequestShutdown();
}
