// chbdeleteall: deletes every asset that the local filter lists.
#include "app/commands.h"
#include "assetdb/kad_command_bodies.h"

int CommandCHBDeleteAll(ResultsLog& log)
{
    return RunCHBDeleteAllCommand(log) ? 0 : -1;
}
