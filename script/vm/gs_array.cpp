// GSArray: element storage with counted references and the range operations
// of the array instructions.
#include "script/vm/gs_array.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_heap.h"

namespace GSRuntime {

namespace {

// Storage larger than 32-bit sizes can say is refused: the count of a
// script array is a signed 32-bit number and its byte size must not wrap.
constexpr int64_t kMaxElements = int64_t(std::numeric_limits<uint32_t>::max()) / sizeof(Slot);

// The shared index rules: a first index below 0 counts as 0, a last index
// below 0 as the end.
void ClampRange(int32_t* first, int32_t* last, int32_t end)
{
    if (*first < 0)
        *first = 0;
    if (*last < 0)
        *last = end;
}

}  // namespace

GSArray::GSArray(GSContext* context, uint8_t elementType) : GSObjectReference(KindArray), elementType_(elementType)
{
    head_.block = Slot::FromInt(0);
    head_.header.Start(context, this, nullptr);
}

GSArray::~GSArray()
{
    ReleaseAll();
    head_.header.Finish();
}

Slot* GSArray::NewStorage(int64_t n)
{
    if (n < 1 || n > kMaxElements)
        return nullptr;
    return static_cast<Slot*>(GSHeap::Context().TryAlloc(static_cast<size_t>(n) * sizeof(Slot)));
}

void GSArray::Install(Slot* storage, int32_t count, int32_t capacity)
{
    GSHeap::Context().Free(elements_);
    elements_ = storage;
    count_ = count;
    capacity_ = capacity;
}

void GSArray::ReleaseAll()
{
    ReleaseRange(0, count_);
    Install(nullptr, 0, 0);
}

bool GSArray::GetElement(int32_t i, Slot* value) const
{
    if (i < 0 || i >= count_)
        return false;
    *value = elements_[i];
    return true;
}

bool GSArray::GetObjectElement(int32_t i, Slot** handle, bool addReference) const
{
    if (i < 0)
        return false;
    if (i >= count_) {
        *handle = nullptr;
        return false;
    }
    *handle = elements_[i].AsHandle();
    if (addReference)
        GSScriptInstance::AddReference(*handle);
    return true;
}

bool GSArray::SetElement(int32_t i, Slot value)
{
    if (i < 0)
        return false;
    if (i >= count_ && !EnsureSize(i + 1))
        return false;
    elements_[i] = value;
    return true;
}

bool GSArray::SetObjectElement(int32_t i, Slot* handle, bool addReference, GSClass* elementClass)
{
    // From here on `handle` owns one count, whoever paid for it.
    if (handle != nullptr && addReference)
        GSScriptInstance::AddReference(handle);
    if (handle != nullptr && !ReferenceAllowed(head_.header.Context(), handle)) {
        GSScriptInstance::Release(handle);
        handle = nullptr;
    }
    if (handle != nullptr && elementClass != nullptr) {
        Slot* view = elementClass->FindInstanceData(GSScriptInstance::FromHandle(handle));
        if (view == nullptr)
            GSScriptInstance::Release(handle);
        handle = view;
    }
    if (i < 0 || (i >= count_ && !EnsureSize(i + 1))) {
        GSScriptInstance::Release(handle);
        return false;
    }
    Slot* old = elements_[i].AsHandle();
    elements_[i] = Slot::FromPointer(handle);
    GSScriptInstance::Release(old);
    return true;
}

bool GSArray::EnsureSize(int32_t n)
{
    if (n < 1) {
        ReleaseAll();
        return true;
    }
    if (n <= count_)
        return true;
    if (n > capacity_) {
        const int64_t capacity = std::max<int64_t>(n, std::min<int64_t>(int64_t(capacity_) * 2, kMaxElements));
        Slot* storage = NewStorage(capacity);
        if (storage == nullptr)
            return false;
        if (count_ > 0)
            std::memcpy(storage, elements_, size_t(count_) * sizeof(Slot));
        Install(storage, count_, static_cast<int32_t>(capacity));
    }
    std::memset(elements_ + count_, 0, size_t(n - count_) * sizeof(Slot));
    count_ = n;
    return true;
}

void GSArray::AddRefRange(int32_t first, int32_t n)
{
    if (first < 0 || first >= count_ || elementType_ == 0 || n <= 0)
        return;
    n = std::min(n, count_ - first);
    for (int32_t i = first; i < first + n; ++i)
        GSScriptInstance::AddReference(elements_[i].AsHandle());
}

void GSArray::ReleaseRange(int32_t first, int32_t n)
{
    if (first < 0 || first >= count_ || elementType_ == 0 || n <= 0)
        return;
    n = std::min(n, count_ - first);
    for (int32_t i = first; i < first + n; ++i) {
        Slot* handle = elements_[i].AsHandle();
        elements_[i] = Slot::FromInt(0);
        GSScriptInstance::Release(handle);
    }
}

bool GSArray::Splice(int32_t first, int32_t last, const GSArray* source)
{
    ClampRange(&first, &last, count_);
    if (last < first)
        return false;
    if (source != nullptr && source->elementType_ != elementType_)
        return false;
    const int64_t count = count_;
    const int64_t prefix = std::min<int64_t>(first, count);
    const int64_t gap = first > count ? first - count : 0;
    const int64_t tail = last < count ? count - last : 0;
    const int64_t inserted = source != nullptr ? source->count_ : 0;
    const int64_t total = prefix + gap + inserted + tail;
    Slot* storage = nullptr;
    if (total >= 1) {
        storage = NewStorage(total);
        if (storage == nullptr)
            return false;
        // Filled before any reference is released: a source that is this
        // array itself is read while its slots are still intact, and the
        // inserted references are counted before the replaced ones may drop.
        Slot* at = storage;
        if (prefix > 0)
            std::memcpy(at, elements_, size_t(prefix) * sizeof(Slot));
        at += prefix;
        std::memset(at, 0, size_t(gap) * sizeof(Slot));
        at += gap;
        if (inserted > 0)
            std::memcpy(at, source->elements_, size_t(inserted) * sizeof(Slot));
        at += inserted;
        if (tail > 0)
            std::memcpy(at, elements_ + last, size_t(tail) * sizeof(Slot));
        if (elementType_ != 0) {
            for (int64_t i = 0; i < inserted; ++i)
                GSScriptInstance::AddReference(storage[prefix + gap + i].AsHandle());
        }
    }
    // The replaced references go last; their release may run destructors.
    std::vector<Slot*> replaced;
    if (elementType_ != 0) {
        for (int64_t i = first; i < std::min<int64_t>(last, count); ++i)
            replaced.push_back(elements_[i].AsHandle());
    }
    Install(storage, static_cast<int32_t>(total), static_cast<int32_t>(total));
    for (Slot* handle : replaced)
        GSScriptInstance::Release(handle);
    return true;
}

bool GSArray::CopyRange(const GSArray* source, int32_t first, int32_t last)
{
    if (source == nullptr)
        return false;
    const int32_t end = source->count_;
    ClampRange(&first, &last, end);
    if (last > end)
        last = end;
    if (last < first || source->elementType_ != elementType_)
        return false;
    const int32_t n = last - first;
    Slot* storage = nullptr;
    if (n >= 1) {
        storage = NewStorage(n);
        if (storage == nullptr)
            return false;
        std::memcpy(storage, source->elements_ + first, size_t(n) * sizeof(Slot));
        if (elementType_ != 0) {
            for (int32_t i = 0; i < n; ++i)
                GSScriptInstance::AddReference(storage[i].AsHandle());
        }
    }
    // The copy is complete before the old elements go, so copying a range
    // of this very array works.
    Slot* old = elements_;
    const int32_t oldCount = count_;
    elements_ = storage;
    count_ = n;
    capacity_ = n;
    if (elementType_ != 0) {
        for (int32_t i = 0; i < oldCount; ++i)
            GSScriptInstance::Release(old[i].AsHandle());
    }
    GSHeap::Context().Free(old);
    return true;
}

}  // namespace GSRuntime
