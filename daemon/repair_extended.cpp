// What the extended repair adds to the plain one: re-validation of the installed assets and the trash purge.
#include "daemon/repair_extended.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/results/results_log.h"
#include "assetdb/kad_command_host_question.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/command_host_manager.h"
#include "daemon/repair_batch.h"
#include "daemon/trash_purge.h"
#include "templates/validate_asset_task.h"

namespace {

// Verdicts per transaction when the flags are written back.
constexpr std::size_t VerdictBatchSize = 1000;

struct Verdict {
    KUID id;
    bool faulty = false;
    bool warnings = false;
};

bool ValidatorCanJudge()
{
#ifdef KORVEL_TEST_HOOKS
    // Tests take the stand-in's verdicts as real, to walk the path a real
    // validator's verdicts will take.
    if (const char* judges = std::getenv("KAD_TEST_VALIDATOR_JUDGES"); judges != nullptr && *judges == '1')
        return true;
#endif
    return ValidateAssetTask::CanJudge;
}

// Asks a command host to validate the asset's committed folder; false when
// no verdict came (the reason is an error line about the asset).
bool AskHost(const KadAssetStore& store, const KadAssetRecord& row, ResultsLog& log, Verdict& verdict)
{
    KADCommandHostQuestion question;
    question.commandId = static_cast<std::int32_t>(KADCommandHostCommand::Validate);
    question.assetName = Zel::PString(row.store.c_str());
    question.folder = Zel::String(KadCommittedFolder(store.UserDataRoot(), row).c_str());
    TBuffer answer;
    std::string error;
    if (!KadCommandHostManager::Instance().Ask(question, answer, error)) {
        log.AddAssetMessage(ResultsLog::MessageKind::Error, row.id, error.c_str());
        return false;
    }
    ResultsLog lines;
    std::int32_t valid = 0;
    std::vector<KUID> unused;
    if (!ReadCommandHostAnswer(answer, question.commandId, lines, valid, unused)) {
        log.AddAssetMessage(ResultsLog::MessageKind::Error, row.id,
                            "Unable to validate asset: the command host gave no answer.");
        return false;
    }
    KadAddLinesAboutAsset(lines, row.id, log);
    verdict.id = row.id;
    verdict.faulty = valid == 0;
    for (const ResultsLogEntry& line : lines.Lines())
        verdict.warnings = verdict.warnings || line.kind == static_cast<std::int32_t>(ResultsLog::MessageKind::Warning);
    return true;
}

// Writes the verdicts into the rows as they are now (the assets may have
// changed while the hosts worked; a row that went is skipped).
void RecordVerdicts(KadAssetStore& store, KadStoreConnection& connection, const std::vector<Verdict>& verdicts,
                    ResultsLog& log)
{
    std::lock_guard<std::mutex> hold(store.ChangeLock());
    KadRepairBatch batch(store, connection, log, VerdictBatchSize);
    for (const Verdict& verdict : verdicts) {
        KadAssetRecord row;
        if (!store.Find(verdict.id, row))
            continue;
        KadAssetRecord judged = row;
        judged.flags &= ~(AssetFaulty | AssetWarnings);
        judged.flags |= (verdict.faulty ? AssetFaulty : 0u) | (verdict.warnings ? AssetWarnings : 0u);
        if (judged != row)
            batch.Save(judged, nullptr);
    }
    batch.Flush();
}

void Revalidate(KadAssetStore& store, KadStoreConnection& connection, ResultsLog& log)
{
    std::vector<KadAssetRecord> installed;
    store.ForEach([&](const KadAssetRecord& row) {
        if (row.Has(AssetInstalled) && !row.Has(AssetUnreadable))
            installed.push_back(row);
    });
    if (installed.empty())
        return;
    // A validator that cannot judge fails every asset: none of its verdicts
    // is taken, and the user is told that the check did not happen rather
    // than given a pass nobody made.
    if (!ValidatorCanJudge()) {
        log.AddMessage(ResultsLog::MessageKind::Warning,
                       "The assets were not re-validated: no asset validator is available.");
        return;
    }
    std::vector<Verdict> verdicts;
    for (const KadAssetRecord& row : installed) {
        Verdict verdict;
        if (AskHost(store, row, log, verdict)) {
            verdicts.push_back(verdict);
            continue;
        }
        // Without a host every further question would wait for one in vain.
        log.AddMessage(ResultsLog::MessageKind::Warning, "The remaining assets were not re-validated.");
        break;
    }
    RecordVerdicts(store, connection, verdicts, log);
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

void KadRunExtendedRepairSteps(KadAssetStore& store, KadStoreConnection& connection, ResultsLog& log)
{
    Revalidate(store, connection, log);
    PurgeTrash(store, log);
}
