// One parse thread for the process, fed a job at a time. Starting a thread
// with a 512 MB stack for every file parsed cost more than parsing the small
// files of an include-heavy compile.
#include "script/compiler/parse_thread.h"

#include <pthread.h>
#include <unistd.h>

#include <cstddef>

namespace GSCompiler {

namespace {

// The parser recurses once per nesting level the grammar allows (up to the
// 10000-entry limit of the parser stack), which needs more machine stack than
// a caller's thread is sure to have. The stack is committed lazily, so only
// what deep sources touch becomes resident.
constexpr size_t kParseThreadStack = size_t(512) << 20;

struct ParseWorker {
    pthread_mutex_t callers = PTHREAD_MUTEX_INITIALIZER;  // one job at a time
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;    // guards the fields below
    pthread_cond_t posted = PTHREAD_COND_INITIALIZER;
    pthread_cond_t finished = PTHREAD_COND_INITIALIZER;
    void (*job)(void*) = nullptr;  // set while a job is posted and not finished
    void* argument = nullptr;
    pid_t owner = 0;  // the process whose thread this is; 0 = none started
    bool forkHandlerSet = false;
};

ParseWorker worker;
thread_local bool onParseThread = false;

// The child of a fork has no parse thread, and a lock held by another thread
// of the parent at the fork stays held for ever in the child: start afresh.
void ResetWorker()
{
    pthread_mutex_init(&worker.callers, nullptr);
    pthread_mutex_init(&worker.mutex, nullptr);
    pthread_cond_init(&worker.posted, nullptr);
    pthread_cond_init(&worker.finished, nullptr);
    worker.job = nullptr;
    worker.argument = nullptr;
    worker.owner = 0;
}

void* WorkerLoop(void*)
{
    onParseThread = true;
    pthread_mutex_lock(&worker.mutex);
    for (;;) {
        while (worker.job == nullptr)
            pthread_cond_wait(&worker.posted, &worker.mutex);
        void (*job)(void*) = worker.job;
        void* argument = worker.argument;
        pthread_mutex_unlock(&worker.mutex);
        job(argument);
        pthread_mutex_lock(&worker.mutex);
        worker.job = nullptr;
        pthread_cond_signal(&worker.finished);
    }
    return nullptr;
}

// With worker.callers held. False when no thread could be started.
bool StartWorker()
{
    if (!worker.forkHandlerSet) {
        if (pthread_atfork(nullptr, nullptr, ResetWorker) != 0)
            return false;
        worker.forkHandlerSet = true;
    }
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    pthread_attr_setstacksize(&attributes, kParseThreadStack);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    int failed = pthread_create(&thread, &attributes, WorkerLoop, nullptr);
    pthread_attr_destroy(&attributes);
    if (failed != 0)
        return false;
    worker.owner = getpid();
    return true;
}

}  // namespace

void RunOnParseThread(void (*job)(void*), void* argument)
{
    // A job that parses again would wait for itself.
    if (onParseThread) {
        job(argument);
        return;
    }
    pthread_mutex_lock(&worker.callers);
    if (worker.owner != getpid() && !StartWorker()) {
        pthread_mutex_unlock(&worker.callers);
        job(argument);
        return;
    }
    pthread_mutex_lock(&worker.mutex);
    worker.job = job;
    worker.argument = argument;
    pthread_cond_signal(&worker.posted);
    while (worker.job != nullptr)
        pthread_cond_wait(&worker.finished, &worker.mutex);
    pthread_mutex_unlock(&worker.mutex);
    pthread_mutex_unlock(&worker.callers);
}

}  // namespace GSCompiler
