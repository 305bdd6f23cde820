// closekaddaemon: asks the daemon to close and waits until the connection is gone.
#include "app/commands.h"
#include "assetdb/kad_client.h"

int CommandCloseKADDaemon()
{
    KADClient::CloseDaemon();
    return 0;
}
