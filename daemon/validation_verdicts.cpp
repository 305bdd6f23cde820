// Validation through a command host, and what it found kept in the asset's row: the faulty and warnings flags.
#include "daemon/validation_verdicts.h"

#include <cstdlib>

#include "results/results_log.h"
#include "assetdb/kad_command_host_question.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/command_host_manager.h"
#include "daemon/repair_batch.h"
#include "templates/validate_asset_task.h"

namespace {
// Verdicts per transaction (an extended repair brings one per asset).
constexpr std::size_t VerdictBatchSize = 1000;
}  // namespace

bool KADValidateThroughHost(const std::string& storeName, const std::string& folder, ResultsLog& lines,
                            std::int32_t& valid, std::string& error)
{
    KADCommandHostQuestion question;
    question.commandId = static_cast<std::int32_t>(KADCommandHostCommand::Validate);
    question.assetName = Zel::PString(storeName.c_str());
    question.folder = Zel::String(folder.c_str());
    TBuffer answer;
    if (!KADCommandHostManager::Instance().Ask(question, answer, error))
        return false;
    std::vector<KUID> unused;
    if (!ReadCommandHostAnswer(answer, question.commandId, lines, valid, unused)) {
        error = "Unable to validate asset: the command host gave no answer.";
        return false;
    }
    return true;
}

KADValidationVerdict KADVerdictOf(const KUID& id, const std::string& folder, const ResultsLog& lines,
                                  std::int32_t valid)
{
    KADValidationVerdict verdict;
    verdict.id = id;
    verdict.folder = folder;
    verdict.faulty = valid == 0;
    for (const ResultsLogEntry& line : lines.Lines())
        verdict.warnings = verdict.warnings || line.kind == static_cast<std::int32_t>(ResultsLog::MessageKind::Warning);
    return verdict;
}

bool KADValidatorCanJudge()
{
#ifdef KORVEL_TEST_HOOKS
    // Tests take the stand-in's verdicts as real, to walk the path a real
    // validator's verdicts will take.
    if (const char* judges = std::getenv("KAD_TEST_VALIDATOR_JUDGES"); judges != nullptr && *judges == '1')
        return true;
#endif
    return ValidateAssetTask::CanJudge;
}

void KADRecordValidationVerdicts(KADAssetStore& store, KADStoreConnection& connection,
                                 const std::vector<KADValidationVerdict>& verdicts, ResultsLog& log)
{
    std::lock_guard<std::mutex> hold(store.ChangeLock());
    KADRepairBatch batch(store, connection, log, VerdictBatchSize, "Unable to keep the validation result of ");
    for (const KADValidationVerdict& verdict : verdicts) {
        KADAssetRecord row;
        if (!store.Find(verdict.id, row))
            continue;
        if (verdict.folder != KADCommittedFolder(store.UserDataRoot(), row) &&
            verdict.folder != KADEditFolder(store.UserDataRoot(), row))
            continue;
        KADAssetRecord judged = row;
        judged.flags &= ~(AssetFaulty | AssetWarnings);
        judged.flags |= (verdict.faulty ? AssetFaulty : 0u) | (verdict.warnings ? AssetWarnings : 0u);
        if (judged != row)
            batch.Save(judged, nullptr);
    }
    batch.Flush();
}
