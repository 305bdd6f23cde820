// Runs a mesh-loading job of the checks on the main thread, synchronously.
#pragma once

#include <cstdint>

#include "foundation/base/job_dispatcher.h"
#include "foundation/base/process_values.h"
#include "foundation/base/tcx_callback.h"

namespace DODLib {

// Main thread only, synchronous: a validation (itself a main-thread job)
// runs the job at once. A process that never named its main thread (a
// library user, a test) runs it on the calling thread: queued for a main
// thread that never pumps, the poster would wait forever.
constexpr std::uint32_t MeshJobFlags = JobMainThreadOnly | 2;

template <class Target>
void RunMeshJob(Target* target, void (Target::*member)(intptr_t))
{
    auto* job = new TCXCallbackCPPVoidPtr<Target>(target, member);
    if (GetMainThreadId() == 0) {
        job->Call(0);
        delete job;
        return;
    }
    JobDispatcher::Instance().Post(MeshJobFlags, 0, nullptr, job);
}

}  // namespace DODLib
