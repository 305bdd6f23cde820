// version: prints the build number.
#include <cstdio>

#include "app/commands.h"
#include "assetdb/protocol/kad_protocol.h"

int CommandVersion()
{
    std::printf("Build %d\n", int(KADProtocol::Build));
    return 0;
}
