// What the extended repair adds to the plain one: re-validation of the installed assets and the trash purge.
#include "daemon/repair_extended.h"

#include <ctime>
#include <string>

#include "app/results/results_log.h"
#include "daemon/asset_store.h"
#include "daemon/trash_purge.h"
#include "templates/validate_asset_task.h"

namespace {

void Revalidate(KadAssetStore& store, ResultsLog& log)
{
    bool anyInstalled = false;
    store.ForEach([&](const KadAssetRecord& row) { anyInstalled = anyInstalled || row.Has(AssetInstalled); });
    if (!anyInstalled)
        return;
    // The validator of this build cannot judge an asset: every verdict would
    // be "failed", so none is taken, and the user is told that the check did
    // not happen rather than given a pass nobody made.
    if (!ValidateAssetTask::CanJudge) {
        log.AddMessage(ResultsLog::MessageKind::Warning,
                       "The assets were not re-validated: no asset validator is available.");
        return;
    }
}

void PurgeTrash(KadAssetStore& store, ResultsLog& log)
{
    std::int32_t days = KadLoadTrashRetentionDays(store.DatabasePath());
    KadTrashPurgeResult purged =
        KadPurgeTrash(store.UserDataRoot() + "/trash", days, static_cast<std::int64_t>(std::time(nullptr)));
    if (purged.removed > 0) {
        std::string text = std::to_string(purged.removed) + " trash entries older than " + std::to_string(days) +
                           " days were removed.";
        log.AddMessage(ResultsLog::MessageKind::Info, text.c_str());
    }
    if (purged.failed > 0) {
        std::string text = std::to_string(purged.failed) + " trash entries older than " + std::to_string(days) +
                           " days could not be removed.";
        log.AddMessage(ResultsLog::MessageKind::Warning, text.c_str());
    }
}

}  // namespace

void KadRunExtendedRepairSteps(KadAssetStore& store, ResultsLog& log)
{
    Revalidate(store, log);
    PurgeTrash(store, log);
}
