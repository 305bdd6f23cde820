// installfrompath: installs every asset found under a folder.
#include <string>

#include "app/commands.h"
#include "assetdb/kad_command_bodies.h"
#include "assetdb/kad_failure_report.h"

int CommandInstallFromPath(ResultsLog& log, const Zel::PString& folderPath)
{
    KADFailureReport failure(log);
    bool flag = false;
    int32_t installed = InstallFromPathRecursive(Zel::File::Path(folderPath.c_str()), log, 0, &flag, nullptr);
    if (installed != 0)
        return 0;
    // A plain file or a tree without any config gives nothing to install and
    // no line from the daemon; a refused install has the daemon's line already.
    failure.Explain(
        (std::string("No asset was installed: no folder with a \"config.txt\" or \"config.chump\" was found at ") +
         folderPath.c_str() + ".")
            .c_str());
    return -1;
}
