// generatekuid: prints a new asset id from the local user's range.
#include "app/commands.h"

int CommandGenerateKUID(ResultsLog& log)
{
    return ReportCommandNotAvailable(log, "generatekuid");
}
