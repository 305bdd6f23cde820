// Validation entry point: no validator is built yet, so every request fails with an error line.
#include "templates/validate_asset_task.h"

#include "results/results_log.h"

bool ValidateAssetTask::RunOnMainThread(const Zel::PString& /*assetName*/, Zel::File::Path /*folder*/, ResultsLog& log)
{
    // Never a silent success: an unvalidated asset must not pass as valid.
    log.AddMessage(ResultsLog::MessageKind::Error, "No validator is available in this build.");
    return false;
}
