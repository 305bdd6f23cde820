// The process-wide state of script runs: the current thread and context,
// and the exception callback.
#pragma once

namespace GSRuntime {

class GSContext;
class GSGameObject;
class GSStack;
class GSThread;

// The thread and context of the run in progress (null outside runs). New
// strings, arrays and objects are made in the current context; natives
// report failures on the current thread.
GSThread* CurrentThread();
GSContext* CurrentContext();
void SetCurrentThread(GSThread* thread);
void SetCurrentContext(GSContext* context);

// Called with every thread-exception report; null in the utility.
using GSExceptionCallback = void (*)(const char* report, GSStack* stack, GSGameObject* gameObject, bool nonFatal);
GSExceptionCallback ExceptionCallback();
void SetExceptionCallback(GSExceptionCallback callback);

// Makes the current thread and context those given for its lifetime and
// puts the previous ones back at its end.
class GSRunScope {
public:
    GSRunScope(GSThread* thread, GSContext* context);
    ~GSRunScope();
    GSRunScope(const GSRunScope&) = delete;
    GSRunScope& operator=(const GSRunScope&) = delete;

private:
    GSThread* thread_;
    GSContext* context_;
};

}  // namespace GSRuntime
