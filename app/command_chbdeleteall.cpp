// chbdeleteall: deletes every asset that the local filter lists.
#include "app/commands.h"

int CommandCHBDeleteAll(ResultsLog& log)
{
    return ReportCommandNotAvailable(log, "chbdeleteall");
}
