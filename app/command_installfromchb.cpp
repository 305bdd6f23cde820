// installfromchb: installs an asset and its dependencies from the online content service.
#include "app/commands.h"
#include "assetdb/install_from_chb.h"
#include "kuid/kuid.h"

// The exit code is 0 whatever the install did: what went wrong is in the
// log's lines.
int CommandInstallFromCHB(ResultsLog& log, const KUID& id)
{
    InstallAssetFromCHB(id, &log);
    return 0;
}
