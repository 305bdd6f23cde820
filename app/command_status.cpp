// status: prints an asset's status flags.
#include "app/commands.h"
#include "soup/kuid/kuid.h"

int CommandStatus(ResultsLog& log, const KUID& /*id*/)
{
    return ReportCommandNotAvailable(log, "status");
}
