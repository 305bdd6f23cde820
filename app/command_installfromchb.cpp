// installfromchb: installs an asset and its dependencies from the online content service.
#include "app/commands.h"
#include "soup/kuid/kuid.h"

int CommandInstallFromCHB(ResultsLog& log, const KUID& /*id*/)
{
    return ReportCommandNotAvailable(log, "installfromchb");
}
