// LaunchDaemon: GetDaemonExecutablePath through LaunchProcess.
#include "assetdb/kad_daemon_launcher.h"

#include "foundation/base/install_paths.h"
#include "foundation/base/os_helpers.h"
#include "zel/path.h"

int LaunchDaemon()
{
    Zel::File::Path program = GetDaemonExecutablePath();
    Zel::File::Path folder = program;
    folder.DelName();
    return LaunchProcess(program.c_str(), "", folder.c_str(), LaunchHidden);
}
