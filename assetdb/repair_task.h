// KADTaskRepairDatabase: asks the daemon to repair the asset database and polls the repair until it ends.
#pragma once

#include <cstdint>

#include "assetdb/kad_task.h"
#include "assetdb/protocol/kad_protocol.h"

class KADTaskRepairDatabase : public KADTaskThread {
public:
    // Without a progress sink the owner task receives the daemon's lines.
    KADTaskRepairDatabase(int32_t mode, KADTask* progressSink);
    // Joins the engine thread while Run's object is still whole.
    ~KADTaskRepairDatabase() override;

    int32_t GetMode() const { return mode; }

    // Waits between progress requests (1000 ms, then 250 ms); tests shorten them.
    static void SetPollDelays(int firstMs, int nextMs);

protected:
    uint32_t Run() override;

private:
    int32_t mode;
    KADTask* progressSink;
};

// The process-wide repair-running flag: set while a repair's Run polls.
bool IsRepairRunning();
