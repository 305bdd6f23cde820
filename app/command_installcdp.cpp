// installcdp: installs every asset of a content archive through the daemon.
#include "app/commands.h"
#include "assetdb/kad_client.h"

// Mode 2 is the plain archive install, with no prompt handler: the daemon
// decides every question itself and reports through the command's log. An
// entry the daemon could not install (its error line is in the log) fails
// the command even when others were installed: errors never exit with 0.
int CommandInstallCDP(ResultsLog& log, const Zel::PString& archivePath)
{
    bool skipped = false;
    uint32_t result = KADClient::InstallArchive(Zel::File::Path(archivePath.c_str()), nullptr, 2, &skipped, &log);
    return result != 0 && !skipped ? 0 : -1;
}
