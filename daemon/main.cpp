// kaddaemon.exe: the asset-database daemon that the utility connects to.
#include "daemon/daemon_main.h"

int main(int argc, char** argv)
{
    return KADDaemonMain(argc, argv);
}
