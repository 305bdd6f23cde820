// importconsists: turns an old consist list into consist assets.
#include "app/commands.h"

int CommandImportConsists(ResultsLog& log, const Zel::PString& /*filePath*/)
{
    return ReportCommandNotAvailable(log, "importconsists");
}
