// listbuilds: writes the list of installed builds to a file.
#include "app/commands.h"

int CommandListBuilds(ResultsLog& log, const Zel::PString& /*outputPath*/)
{
    return ReportCommandNotAvailable(log, "listbuilds");
}
