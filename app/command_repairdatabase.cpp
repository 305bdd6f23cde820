// repairdatabase: repairs the asset database.
#include "app/commands.h"

int CommandRepairDatabase(ResultsLog& log, const Zel::PString& /*modeWord*/)
{
    return ReportCommandNotAvailable(log, "repairdatabase");
}
