// KADTaskRepairDatabase: asks the daemon to repair the asset database and polls the repair until it ends.
#include "assetdb/repair_task.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "interfacetext/interface_text_db.h"
#include "assetdb/kad_client.h"

namespace {

std::atomic<bool> repairRunning{false};
std::atomic<int> firstDelayMs{1000};
std::atomic<int> nextDelayMs{250};

void Pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

bool IsRepairRunning()
{
    return repairRunning.load();
}

void KADTaskRepairDatabase::SetPollDelays(int firstMs, int nextMs)
{
    firstDelayMs = firstMs;
    nextDelayMs = nextMs;
}

KADTaskRepairDatabase::KADTaskRepairDatabase(int32_t mode, KADTask* progressSink)
    : mode(mode), progressSink(progressSink)
{}

KADTaskRepairDatabase::~KADTaskRepairDatabase()
{
    Lock(-1);
}

uint32_t KADTaskRepairDatabase::Run()
{
    KADTask* owner = GetOwner();
    // One repair at a time in this process; a second one only says so.
    bool expected = false;
    if (!repairRunning.compare_exchange_strong(expected, true)) {
        if (owner != nullptr)
            owner->AddText(GetInterfaceText("$kadtask_repair_err_duplicate"));
        return 0;
    }
    KADTask* sink = progressSink != nullptr ? progressSink : owner;
    // The sink stays registered with the link after the request returns, so
    // the daemon's lines about the repair keep reaching it while it runs.
    bool started = KADClient::StartRepair(mode, sink);
    std::uint64_t link = KADClient::ConnectionCount();
    if (started)
        Pause(firstDelayMs);
    for (;;) {
        float progress = 0.0f;
        Zel::String text;
        bool running = false;
        // A repair whose daemon could not be asked, or answered through a
        // new link (the daemon that ran it is gone, and a new one knows no
        // repair), did not finish: never a success that nobody saw.
        if (!started || !KADClient::AskRepairProgress(running, progress, text) ||
            KADClient::ConnectionCount() != link) {
            if (sink != nullptr)
                sink->AddMessage(ResultsLog::MessageKind::Error,
                                 "The database repair did not finish: the asset database daemon stopped answering.");
            break;
        }
        if (!running)
            break;
        if (owner != nullptr) {
            owner->AddText(text);
            owner->SetProgress(progress);
        }
        Pause(nextDelayMs);
        if (owner != nullptr && owner->IsCancelRequested())
            break;
    }
    repairRunning = false;
    return 0;
}
