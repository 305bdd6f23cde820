// generatekuid: asks the daemon for a new asset id and prints it.
#include <cstdio>

#include "app/commands.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_failure_report.h"
#include "kuid/kuid.h"

// Only an id the daemon really gave is printed: scripts take whatever the
// line holds for a new id, and the null id's numbers would be reused as one.
int CommandGenerateKUID(ResultsLog& log)
{
    KADFailureReport failure(log);
    KUID id = KADClient::GenerateKUID(&log);
    if (id.IsNull()) {
        failure.Explain("Unable to generate a new AssetID.");
        return -1;
    }
    std::printf("<KUID2:%d:%u:%u>\n", int(id.user), unsigned(uint32_t(id.content)), unsigned(uint32_t(id.version)));
    return 0;
}
