// Dispatching the daemon's notifications: result lines at once, the rest as main-thread jobs.
#include "assetdb/kad_client.h"
#include "assetdb/kad_client_state.h"
#include "assetdb/kad_notification.h"

#include "foundation/base/job_dispatcher.h"
#include "foundation/base/tcx_callback.h"
#include "results/results_log_registry.h"
#include "foundation/streams/t_buffer.h"
#include "assetdb/protocol/kad_protocol.h"
#include "kuid/kuid.h"
#include "zel/dynamic_buffer.h"
#include "zel/pstring.h"

#include <deque>
#include <mutex>

namespace {

struct NotificationQueue {
    std::mutex lock;
    std::deque<KADNotification*> queued;
};

NotificationQueue& Queue()
{
    static NotificationQueue queue;
    return queue;
}

int RunQueuedNotificationJob(intptr_t)
{
    KADClient::RunQueuedNotification();
    return 0;
}

void AnswerHostQuestion(TBuffer& question)
{
    KADCommandHostHook hook = KADClient::GetCommandHostHook();
    if (!hook)
        return;
    TBuffer answer(new Zel::DynamicBuffer(0, 512), true);
    hook(question, answer);
    answer.Rewind();
    TBuffer reply(new Zel::DynamicBuffer(0, 512), true);
    KADClient::Request(KADRequestNumber(KADRequestCode::CommandHostAnswer), answer, reply);
}

void ReportProgress(TBuffer& payload)
{
    KADClientState& state = ClientState();
    KADProgressCallback callback;
    {
        std::lock_guard<std::recursive_mutex> guard(state.connectionLock);
        callback = state.options.progressCallback;
    }
    uint32_t value = payload.ReadUInt32(0);
    if (callback)
        callback(static_cast<int32_t>(value));
}

}  // namespace

void KADClient::DispatchNotification(KADNotification* notification)
{
    int32_t type = notification->GetType();
    // Result lines go into their log before the reader reads the request's
    // reply; an asynchronous call gets its thread at once, since the main
    // thread is blocked in the very request that waits for its answer.
    if (type == static_cast<int32_t>(KADNoteType::ResultLines) ||
        type == static_cast<int32_t>(KADNoteType::AsyncCall)) {
        HandleNotification(notification->GetBuffer(), type);
        delete notification;
        return;
    }
    {
        NotificationQueue& queue = Queue();
        std::lock_guard<std::mutex> guard(queue.lock);
        queue.queued.push_back(notification);
    }
    JobDispatcher::Instance().Post(JobMainThreadOnly | JobAsynchronous, 0, nullptr,
                                   new TCXCallbackCIntPtr(RunQueuedNotificationJob));
}

void KADClient::RunQueuedNotification()
{
    KADNotification* notification = nullptr;
    {
        NotificationQueue& queue = Queue();
        std::lock_guard<std::mutex> guard(queue.lock);
        if (queue.queued.empty())
            return;
        notification = queue.queued.front();
        queue.queued.pop_front();
    }
    HandleNotification(notification->GetBuffer(), notification->GetType());
    delete notification;
}

void KADClient::DrainNotifications()
{
    NotificationQueue& queue = Queue();
    std::lock_guard<std::mutex> guard(queue.lock);
    for (KADNotification* notification : queue.queued)
        delete notification;
    queue.queued.clear();
}

size_t KADClient::GetQueuedNotificationCount()
{
    NotificationQueue& queue = Queue();
    std::lock_guard<std::mutex> guard(queue.lock);
    return queue.queued.size();
}

void KADClient::HandleNotification(TBuffer& payload, int32_t type)
{
    switch (static_cast<KADNoteType>(type)) {
    case KADNoteType::Progress:
        ReportProgress(payload);
        return;
    case KADNoteType::HostQuestion:
        AnswerHostQuestion(payload);
        return;
    case KADNoteType::AsyncCall: {
        int32_t clientTransactionID = static_cast<int32_t>(payload.ReadUInt32(0));
        Zel::PString question = payload.ReadPString();
        KUID assetId = payload.ReadKUID();
        StartAsyncCall(clientTransactionID, question, assetId);
        return;
    }
    case KADNoteType::ResultLines: {
        int32_t clientTransactionID = static_cast<int32_t>(payload.ReadUInt32(0));
        ResultsLogRegistry::ReadInto(clientTransactionID, payload);
        return;
    }
    }
}
