// printconfig: prints an asset's config in text form.
#include "app/commands.h"
#include "soup/kuid/kuid.h"

int CommandPrintConfig(ResultsLog& log, const KUID& /*id*/)
{
    return ReportCommandNotAvailable(log, "printconfig");
}
