// validate: asks the daemon to validate an asset.
#include "app/commands.h"
#include "assetdb/kad_command_bodies.h"
#include "kuid/kuid.h"
#include "assetdb/kad_failure_report.h"

int CommandValidate(ResultsLog& log, const KUID& id)
{
    // 0 whenever the asset could be opened: the daemon's lines (an error line
    // when it cannot validate) tell the outcome. An asset that cannot be
    // opened gets no line from the daemon, so the failure says why here.
    KADFailureReport failure(log);
    if (RunValidateCommand(id, log))
        return 0;
    failure.ExplainRefusal(id, "Unable to validate the asset: its folder cannot be found.");
    return -1;
}
