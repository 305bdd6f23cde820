// delete: deletes an asset from the database.
#include "app/commands.h"
#include "soup/kuid/kuid.h"

int CommandDelete(ResultsLog& log, const KUID& /*id*/)
{
    return ReportCommandNotAvailable(log, "delete");
}
