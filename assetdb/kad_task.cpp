// KADTask and KADTaskThread: asset-database work with a results log of its own, a cancel request and a worker.
#include "assetdb/kad_task.h"

#include <sys/statvfs.h>

KADTask::~KADTask()
{
    if (worker == nullptr)
        return;
    cancelRequested = true;
    worker->Lock(-1);
    worker->Unlock();
    delete worker;
    worker = nullptr;
}

// Created suspended: only StartThread lets it run.
KADTaskThread::KADTaskThread() : engineThread(&KADTaskThread::ThreadProcedure, this, false) {}

KADTaskThread::~KADTaskThread()
{
    // The derived part is gone by now; the thread must have ended before.
    Lock(-1);
}

uint32_t KADTaskThread::ThreadProcedure(void* self)
{
    auto* thread = static_cast<KADTaskThread*>(self);
    uint32_t result = 0;
    if (!thread->stopRequested) {
        thread->workingThreadId = Zel::Thread::GetCurrentId();
        result = thread->Run();
        thread->workingThreadId = 0;
    }
    if (KADTask* task = thread->owner) {
        task->OnTaskFinished();
        task->SetRunning(false);
    }
    return result;
}

uint32_t KADTaskThread::RunOnCallingThread(KADTask* task)
{
    workingThreadId = Zel::Thread::GetCurrentId();
    owner = task;
    stopRequested = false;
    uint32_t result = Run();
    workingThreadId = 0;
    return result;
}

bool KADTaskThread::StartThread(KADTask* task)
{
    owner = task;
    if (task != nullptr)
        task->SetRunning(true);
    started = engineThread.Resume();
    if (!started && task != nullptr)
        task->SetRunning(false);
    return started;
}

bool KADTaskThread::Lock(int timeoutMs)
{
    if (!started)
        return true;
    return engineThread.Wait(timeoutMs);
}

bool KADTaskThread::HasFreeDiskSpace(const Zel::File::Path& folder)
{
    struct statvfs info;
    if (statvfs(folder.c_str(), &info) != 0)
        return false;
    uint64_t available = static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
    return available >= KADTaskMinimumFreeBytes;
}
