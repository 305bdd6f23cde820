// commit: commits the edits of an asset open for editing.
#include "app/commands.h"
#include "soup/kuid/kuid.h"

int CommandCommit(ResultsLog& log, const KUID& /*id*/)
{
    return ReportCommandNotAvailable(log, "commit");
}
