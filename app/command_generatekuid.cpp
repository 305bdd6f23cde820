// generatekuid: asks the daemon for a new asset id and prints it.
#include <cstdio>

#include "app/commands.h"
#include "assetdb/kad_client.h"
#include "soup/kuid/kuid.h"

// The id is printed even when the daemon gave none (the null id's numbers),
// so scripts reading the line always find one.
int CommandGenerateKUID(ResultsLog& /*log*/)
{
    KUID id = KADClient::GenerateKUID();
    std::printf("<KUID2:%d:%u:%u>\n", int(id.user), unsigned(uint32_t(id.content)), unsigned(uint32_t(id.version)));
    return id.IsNull() ? -1 : 0;
}
