// GSObjectReference: the family's heap.
#include "script/vm/object_reference.h"

#include "script/vm/gs_heap.h"

namespace GSRuntime {

void* GSObjectReference::operator new(size_t size)
{
    return GSHeap::Context().Alloc(size);
}

void GSObjectReference::operator delete(void* block)
{
    GSHeap::Context().Free(block);
}

}  // namespace GSRuntime
