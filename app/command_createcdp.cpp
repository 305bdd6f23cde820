// createcdp: exports local assets into a .cdp archive.
#include "app/commands.h"

int CommandCreateCDP(ResultsLog& log, const char* /*outputPath*/, int /*idCount*/, char** /*idTexts*/)
{
    return ReportCommandNotAvailable(log, "createcdp");
}
