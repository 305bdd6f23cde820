// installcdp: installs the assets of a .cdp archive through the daemon.
#include "app/commands.h"

int CommandInstallCDP(ResultsLog& log, const Zel::PString& /*archivePath*/)
{
    return ReportCommandNotAvailable(log, "installcdp");
}
