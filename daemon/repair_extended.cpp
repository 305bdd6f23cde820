// What the extended repair adds to the plain one: re-validation of the installed assets and the trash purge.
#include "daemon/repair_extended.h"

#include <ctime>
#include <string>
#include <vector>

#include "results/results_log.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/command_host_manager.h"
#include "daemon/trash_purge.h"
#include "daemon/validation_verdicts.h"

namespace {

// Asks a command host to validate the asset's committed folder; false when
// no verdict came (the reason is an error line about the asset).
bool AskHost(const KADAssetStore& store, const KADAssetRecord& row, ResultsLog& log, KADValidationVerdict& verdict)
{
    ResultsLog lines;
    std::int32_t valid = 0;
    std::string error;
    std::string folder = KADCommittedFolder(store.UserDataRoot(), row);
    if (!KADValidateThroughHost(row.store, folder, lines, valid, error)) {
        log.AddAssetMessage(ResultsLog::MessageKind::Error, row.id, error.c_str());
        return false;
    }
    KADAddLinesAboutAsset(lines, row.id, log);
    verdict = KADVerdictOf(row.id, folder, lines, valid);
    return true;
}

void Revalidate(KADAssetStore& store, KADStoreConnection& connection, ResultsLog& log)
{
    std::vector<KADAssetRecord> installed;
    store.ForEach([&](const KADAssetRecord& row) {
        if (row.Has(AssetInstalled) && !row.Has(AssetUnreadable))
            installed.push_back(row);
    });
    if (installed.empty())
        return;
    // A validator that cannot judge fails every asset: none of its verdicts
    // is taken, and the user is told that the check did not happen rather
    // than given a pass nobody made.
    if (!KADValidatorCanJudge()) {
        log.AddMessage(ResultsLog::MessageKind::Warning,
                       "The assets were not re-validated: no asset validator is available.");
        return;
    }
    std::vector<KADValidationVerdict> verdicts;
    for (const KADAssetRecord& row : installed) {
        KADValidationVerdict verdict;
        if (AskHost(store, row, log, verdict)) {
            verdicts.push_back(verdict);
            continue;
        }
        // Without a host every further question would wait for one in vain.
        log.AddMessage(ResultsLog::MessageKind::Warning, "The remaining assets were not re-validated.");
        break;
    }
    KADRecordValidationVerdicts(store, connection, verdicts, log);
}

void PurgeTrash(KADAssetStore& store, ResultsLog& log)
{
    std::int32_t days = store.TrashRetentionDays();
    KADTrashPurgeResult purged =
        KADPurgeTrash(store.UserDataRoot() + "/trash", days, static_cast<std::int64_t>(std::time(nullptr)));
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

void KADRunExtendedRepairSteps(KADAssetStore& store, KADStoreConnection& connection, ResultsLog& log)
{
    Revalidate(store, connection, log);
    PurgeTrash(store, log);
}
