// Engine thread over a procedure and parameter, optionally created suspended.
#pragma once

#include <cstdint>
#include <memory>
#include <pthread.h>

namespace Zel {

class Thread {
public:
    using Procedure = uint32_t (*)(void* parameter);

    // With start false the thread is created suspended and runs on Resume.
    // A null procedure runs the virtual Run of a derived class.
    Thread(Procedure procedure, void* parameter, bool start = true);
    // Waits for a started thread to end. A thread may delete its own Thread
    // object from inside its procedure: it is detached then, and nothing of
    // the object is touched after the procedure returns. A derived class whose
    // Run is still going must otherwise wait before it is destroyed.
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts a suspended thread; true when it runs (or already ran).
    bool Resume();
    // Priorities are advisory here: -2..2 map to nice values; failures ignored.
    void SetPriority(int priority);
    int GetPriority() const { return priority_; }
    // Waits up to timeoutMs (-1 for ever); true when the thread has ended.
    bool Wait(int timeoutMs = -1);
    bool IsRunning() const;
    bool HasEnded() const;
    bool IsCreated() const { return created_; }
    uint32_t GetExitCode() const;
    // Kernel id of the thread, 0 before it runs.
    int GetId() const;

    // gettid() of the caller; never 0.
    static int GetCurrentId();
    static int GetCurrentProcessId();
    static bool IsProcessAlive(int pid);
    // Called first on every thread this class starts (the crash guard installs
    // its alternate signal stack there). Set once at start-up.
    static void SetStartHook(void (*hook)());

protected:
    // The work; the default calls the procedure with the parameter.
    virtual uint32_t Run();

private:
    struct State;  // shared with the running thread, so it outlives the object
    static void* Entry(void* start);
    bool Start();

    Procedure procedure_;
    void* parameter_;
    int priority_ = 0;
    bool created_ = false;
    pthread_t handle_{};
    std::shared_ptr<State> state_;
};

}  // namespace Zel
