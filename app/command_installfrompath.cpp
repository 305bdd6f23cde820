// installfrompath: installs every asset found under a folder.
#include "app/commands.h"

int CommandInstallFromPath(ResultsLog& log, const Zel::PString& /*folderPath*/)
{
    return ReportCommandNotAvailable(log, "installfrompath");
}
