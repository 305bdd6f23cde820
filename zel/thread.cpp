// Zel::Thread over pthreads: suspended start, resume, wait, ids.
#include "zel/thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/resource.h>

#include "platform/process.h"

namespace Zel {
namespace {

std::atomic<void (*)()> g_startHook{nullptr};

int NiceValueOf(int priority)
{
    return priority > 2 ? -10 : (priority < -2 ? 10 : -priority * 5);
}

}  // namespace

struct Thread::State {
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    int id = 0;
    uint32_t exitCode = 0;
};

Thread::Thread(Procedure procedure, void* parameter, bool start)
    : procedure_(procedure), parameter_(parameter), state_(std::make_shared<State>())
{
    if (start)
        Start();
}

Thread::~Thread()
{
    if (!created_)
        return;
    if (pthread_equal(pthread_self(), handle_)) {
        pthread_detach(handle_);
        return;
    }
    pthread_join(handle_, nullptr);
}

bool Thread::Start()
{
    if (created_)
        return true;
    // Entry owns a reference to the state, never to the object after Run.
    auto* record = new std::pair<Thread*, std::shared_ptr<State>>(this, state_);
    created_ = pthread_create(&handle_, nullptr, &Thread::Entry, record) == 0;
    if (!created_)
        delete record;
    return created_;
}

bool Thread::Resume()
{
    return Start();
}

void* Thread::Entry(void* start)
{
    auto* record = static_cast<std::pair<Thread*, std::shared_ptr<State>>*>(start);
    Thread* thread = record->first;
    std::shared_ptr<State> state = std::move(record->second);
    delete record;
    if (void (*hook)() = g_startHook.load())
        hook();
    {
        std::lock_guard<std::mutex> guard(state->mutex);
        state->id = GetCurrentId();
    }
    if (thread->priority_ != 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(state->id), NiceValueOf(thread->priority_));
    uint32_t code = thread->Run();
    // The object may be gone now (deleted by its own procedure).
    std::lock_guard<std::mutex> guard(state->mutex);
    state->exitCode = code;
    state->finished = true;
    state->ended.notify_all();
    return nullptr;
}

uint32_t Thread::Run()
{
    return procedure_ ? procedure_(parameter_) : 0;
}

void Thread::SetPriority(int priority)
{
    priority_ = priority;
    int id = GetId();
    if (id == 0)
        return;  // applied when the thread starts
    // Linux threads carry their own nice value; raising priority needs
    // privileges, so it usually fails, which is harmless here.
    setpriority(PRIO_PROCESS, static_cast<id_t>(id), NiceValueOf(priority));
}

bool Thread::Wait(int timeoutMs)
{
    if (!created_)
        return false;
    std::unique_lock<std::mutex> guard(state_->mutex);
    if (timeoutMs < 0) {
        state_->ended.wait(guard, [this] { return state_->finished; });
        return true;
    }
    return state_->ended.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return state_->finished; });
}

bool Thread::IsRunning() const
{
    std::lock_guard<std::mutex> guard(state_->mutex);
    return created_ && !state_->finished;
}

bool Thread::HasEnded() const
{
    std::lock_guard<std::mutex> guard(state_->mutex);
    return state_->finished;
}

uint32_t Thread::GetExitCode() const
{
    std::lock_guard<std::mutex> guard(state_->mutex);
    return state_->exitCode;
}

int Thread::GetId() const
{
    std::lock_guard<std::mutex> guard(state_->mutex);
    return state_->id;
}

int Thread::GetCurrentId()
{
    return Platform::CurrentThreadId();
}

int Thread::GetCurrentProcessId()
{
    return Platform::CurrentProcessId();
}

bool Thread::IsProcessAlive(int pid)
{
    return Platform::IsProcessAlive(pid);
}

void Thread::SetStartHook(void (*hook)())
{
    g_startHook.store(hook);
}

}  // namespace Zel
