// KADFailureReport: the daemon's reason, the lost link, or the command's own text.
#include "assetdb/kad_failure_report.h"

#include "app/results/results_log.h"
#include "assetdb/kad_client.h"
#include "soup/kuid/kuid.h"

KADFailureReport::KADFailureReport(ResultsLog& log)
    : log(log), errorsBefore(log.ErrorCount()), lostBefore(KADClient::LostRequestCount())
{
}

bool KADFailureReport::RequestLost() const
{
    return KADClient::LostRequestCount() != lostBefore;
}

bool KADFailureReport::IsExplained() const
{
    return RequestLost() || log.ErrorCount() != errorsBefore;
}

void KADFailureReport::Explain(const KUID& id, const char* text)
{
    if (!IsExplained())
        log.AddAssetMessage(ResultsLog::MessageKind::Error, id, text);
}

void KADFailureReport::Explain(const char* text)
{
    if (!IsExplained())
        log.AddMessage(ResultsLog::MessageKind::Error, text);
}
