// TickMainLoop: the main thread's turn at its queued jobs, the clock and string collection.
#include "app/application.h"

#include "foundation/base/global_data_lock.h"
#include "foundation/base/job_dispatcher.h"
#include "foundation/base/process_values.h"
#include "zel/pstring.h"
#include "zel/time.h"

void TickMainLoop()
{
    static const double firstTick = Zel::Time::GetSeconds();
    ApplicationClock.store(static_cast<float>(Zel::Time::GetSeconds() - firstTick));
    GlobalTickCount.fetch_add(1);

    JobDispatcher& dispatcher = JobDispatcher::Instance();
    // The first call reports how many others were queued; run at most that
    // many more, so jobs posted meanwhile wait for the next tick.
    int queued = dispatcher.RunPending(0);
    for (int i = 0; i < queued; ++i)
        if (dispatcher.RunPending(0) == 0)
            break;

    // Cache trimming asked for off the main thread happens here.
    ReleaseUnusedCachesIfPending();
    Zel::PStringCache::CollectGarbage();
}
