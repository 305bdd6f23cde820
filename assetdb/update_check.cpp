// CheckForUpdate: one page fetch through the daemon, polled until complete.
#include "assetdb/update_check.h"

#include "assetdb/kad_task.h"
#include "assetdb/kad_web_query.h"
#include "assetdb/protocol/kad_protocol.h"
#include "zel/time.h"

namespace {

constexpr int PollDelay = 100;

}  // namespace

void CheckForUpdate(KADTask& sink, const std::string& server, UpdateCheckDelay delay)
{
    if (delay == nullptr)
        delay = Zel::Time::Delay;
    URL page;
    page.Parse((server + UpdatePagePath).c_str());
    KADWebQuery* query = KADWebQuery::Start(page, KADWebQueryModePage);
    // A query the daemon never took, or a daemon that stopped answering,
    // would never report complete: the wait would be endless.
    bool usable = !(query->handleFirst == -1 && query->handleSecond == -1);
    while (usable && !query->IsComplete()) {
        if (query->LastStatusFailed()) {
            usable = false;
            break;
        }
        delay(PollDelay);
    }
    bool fetched = usable && query->GetResultCode() == 0;
    KADWebQuery::Delete(query);
    if (fetched)
        sink.SetProgress(1.0f);
}
