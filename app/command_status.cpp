// status: prints an asset's status flags.
#include "app/commands.h"
#include "assetdb/kad_command_bodies.h"
#include "kuid/kuid.h"

int CommandStatus(ResultsLog& log, const KUID& id)
{
    return RunStatusCommand(id, log) ? 0 : -1;
}
