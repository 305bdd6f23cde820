// chbparse: installs an archive's assets and writes each again as an archive of its own.
#include "app/commands.h"

int CommandCHBParse(ResultsLog& log, const char* /*archivePath*/)
{
    return ReportCommandNotAvailable(log, "chbparse");
}
