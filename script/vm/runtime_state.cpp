// The process-wide run state: plain pointers, as runs happen on one thread.
#include "script/vm/runtime_state.h"

namespace GSRuntime {

namespace {

GSThread* g_currentThread = nullptr;
GSContext* g_currentContext = nullptr;
GSExceptionCallback g_exceptionCallback = nullptr;

}  // namespace

GSThread* CurrentThread()
{
    return g_currentThread;
}

GSContext* CurrentContext()
{
    return g_currentContext;
}

void SetCurrentThread(GSThread* thread)
{
    g_currentThread = thread;
}

void SetCurrentContext(GSContext* context)
{
    g_currentContext = context;
}

GSExceptionCallback ExceptionCallback()
{
    return g_exceptionCallback;
}

void SetExceptionCallback(GSExceptionCallback callback)
{
    g_exceptionCallback = callback;
}

GSRunScope::GSRunScope(GSThread* thread, GSContext* context) : thread_(g_currentThread), context_(g_currentContext)
{
    g_currentThread = thread;
    g_currentContext = context;
}

GSRunScope::~GSRunScope()
{
    g_currentThread = thread_;
    g_currentContext = context_;
}

}  // namespace GSRuntime
