// printconfig: prints an asset's config in text form.
#include <cstdio>

#include "app/commands.h"
#include "results/results_log.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_failure_report.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"

int CommandPrintConfig(ResultsLog& log, const KUID& id)
{
    KADFailureReport failure(log);
    SoupHandle config = KADClient::GetAssetConfig(id);
    if (config.IsEmpty()) {
        failure.Explain(id, "Asset is not local.");
        return -1;
    }
    Zel::PString tag = id.ToTagString();
    std::printf("+ Start of %s dump\n", tag.c_str());
    config.PrintToConsole();
    std::printf("+ End of %s dump\n", tag.c_str());
    return 0;
}
