// validate: asks the daemon to validate an asset.
#include "app/commands.h"
#include "soup/kuid/kuid.h"

int CommandValidate(ResultsLog& log, const KUID& /*id*/)
{
    return ReportCommandNotAvailable(log, "validate");
}
