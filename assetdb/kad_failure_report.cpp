// KADFailureReport: the daemon's reason, the lost link, or the command's own text.
#include "assetdb/kad_failure_report.h"

#include "results/results_log.h"
#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_client.h"
#include "kuid/kuid.h"

namespace {

// Field mask of GetAssetInfo for the status bytes alone: enough for "found".
constexpr int32_t StatusFields = 8;

}  // namespace

KADFailureReport::KADFailureReport(ResultsLog& log)
    : log(log), errorsBefore(log.ErrorCount()), lostBefore(KADClient::LostRequestCount())
{}

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

void KADFailureReport::ExplainRefusal(const KUID& id, const char* refusedText)
{
    if (IsExplained())
        return;
    KADAssetInfo info;
    bool known = KADClient::GetAssetInfo(id, StatusFields, info);
    if (!RequestLost())
        log.AddAssetMessage(ResultsLog::MessageKind::Error, id, known ? refusedText : "Unknown AssetID.");
}

void KADFailureReport::Explain(const char* text)
{
    if (!IsExplained())
        log.AddMessage(ResultsLog::MessageKind::Error, text);
}
