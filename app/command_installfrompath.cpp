// installfrompath: installs every asset found under a folder.
#include "app/commands.h"
#include "assetdb/kad_command_bodies.h"

int CommandInstallFromPath(ResultsLog& log, const Zel::PString& folderPath)
{
    bool flag = false;
    int32_t installed = InstallFromPathRecursive(Zel::File::Path(folderPath.c_str()), log, 0, &flag, nullptr);
    return installed != 0 ? 0 : -1;
}
