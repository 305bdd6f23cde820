// edit: opens an asset for editing and prints its folder.
#include "app/commands.h"
#include "soup/kuid/kuid.h"

int CommandEdit(ResultsLog& log, const KUID& /*id*/)
{
    return ReportCommandNotAvailable(log, "edit");
}
