// validate: asks the daemon to validate an asset.
#include "app/commands.h"
#include "assetdb/kad_command_bodies.h"
#include "kuid/kuid.h"

int CommandValidate(ResultsLog& log, const KUID& id)
{
    // 0 whenever the asset could be opened: the daemon's lines (an error line
    // when it cannot validate) tell the outcome.
    return RunValidateCommand(id, log) ? 0 : -1;
}
