// repairdatabase: repairs the asset database.
#include <cstdio>

#include "app/commands.h"
#include "assetdb/kad_client.h"
#include "assetdb/kad_task.h"
#include "assetdb/repair_task.h"

namespace {

int32_t RepairModeOf(const Zel::PString& modeWord)
{
    if (modeWord.View() == "extended")
        return KADRepairModeExtended;
    if (modeWord.View() == "patcher")
        return KADRepairModePatcher;
    return KADRepairModeNormal;
}

}  // namespace

int CommandRepairDatabase(ResultsLog& log, const Zel::PString& modeWord)
{
    int32_t mode = RepairModeOf(modeWord);
    if (mode != KADRepairModePatcher) {
        std::fputs("Repairing asset database (this may take some time)\n", stdout);
        std::fflush(stdout);
    }
    int errors = 0;
    {
        // The task is the repair's log: the daemon's lines arrive in it until
        // the repair reports that it has ended.
        KADTask task;
        KADTaskRepairDatabase repair(mode, nullptr);
        repair.RunOnCallingThread(&task);
        log.CopyFrom(task);
        errors = task.ErrorCount();
    }
    if (mode == KADRepairModePatcher)
        KADClient::RunPatcher();
    return errors > 0 ? 255 : 0;
}
