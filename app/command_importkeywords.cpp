// importkeywords: sends the keyword lists of a saved keyword soup back to the daemon.
#include "app/commands.h"

int CommandImportKeywords(ResultsLog& log)
{
    return ReportCommandNotAvailable(log, "importkeywords");
}

bool ImportKeywords(const char* /*baseFolder*/, const char* /*fileName*/, const char* /*format*/)
{
    return false;
}
