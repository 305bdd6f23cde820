// Job objects: the base call and the plain-function job.
#include "foundation/base/tcx_callback.h"

int TCXCallbackBase::Call(intptr_t)
{
    return -1;
}

void TCXCallbackBase::Dropped(intptr_t) {}

int TCXCallbackCIntPtr::Call(intptr_t argument)
{
    if (function_ == nullptr)
        return -1;
    return function_(argument);
}
