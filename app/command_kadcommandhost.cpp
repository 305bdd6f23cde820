// kadcommandhost: runs the command-host mode in which the daemon hands work to this process.
#include "app/commands.h"

int CommandKADCommandHost(ResultsLog& log, AppContext& /*context*/)
{
    return ReportCommandNotAvailable(log, "kadcommandhost");
}
