// compile: hands the command line to the script compiler in the caller's directory.
#include "app/commands.h"

int CommandCompile(ResultsLog& log, int /*argumentCount*/, char** /*argumentTable*/)
{
    return ReportCommandNotAvailable(log, "compile");
}
