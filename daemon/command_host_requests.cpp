// Requests of the command hosts themselves: RegisterCommandHost and CommandHostAnswer.
#include "assetdb/protocol/kad_protocol.h"
#include "daemon/command_host_manager.h"
#include "daemon/request_context.h"
#include "daemon/request_table.h"

// Empty payload; empty reply. The connection is a host from now on.
void KADHandleRegisterCommandHost(KADRequestContext& context)
{
    KADCommandHostManager::Instance().RegisterHost(context.connection);
}

// The whole payload is the answer to the host's one outstanding question;
// the reply is empty.
void KADHandleCommandHostAnswer(KADRequestContext& context)
{
    KADCommandHostManager::Instance().TakeAnswer(context.connection.get(), context.request);
}
