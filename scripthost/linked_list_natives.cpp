// The LinkedList natives: appending LinkedData items with an optional uniqueness test, and sorting them by name.
#include <string_view>

#include "script/vm/gs_array.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_machine.h"
#include "script/vm/gs_string.h"
#include "script/vm/native_function.h"
#include "scripthost/native_class_bodies.h"

namespace {

using GSRuntime::Slot;

// Member words of a LinkedData block read by position: the name (its second
// member), the value (third) and the data object (fourth). The first member
// is word 2 of a class without base.
constexpr int32_t NameWord = 3;
constexpr int32_t ValueWord = 4;
constexpr int32_t DataWord = 5;

struct Item {
    std::string_view name;
    int32_t value = 0;
    const GSRuntime::GSScriptInstance* data = nullptr;
};

// What a LinkedData handle holds; a null element, and an instance too small
// to have the three members, read as (empty text, 0, no object).
Item ReadItem(const Slot* handle)
{
    Item item;
    if (handle == nullptr)
        return item;
    const GSRuntime::GSScriptInstance* header = GSRuntime::GSScriptInstance::FromHandle(handle);
    const int64_t block = GSRuntime::GSScriptInstance::BlockIndex(handle);
    if (header->cls == nullptr || block + DataWord >= static_cast<int64_t>(header->cls->InstanceSize()))
        return item;
    if (const Slot* name = handle[NameWord].AsHandle()) {
        if (const auto* string =
                dynamic_cast<const GSRuntime::GSString*>(GSRuntime::GSScriptInstance::FromHandle(name)->owner)) {
            item.name = string->Text().View();
        }
    }
    item.value = handle[ValueWord].AsInt();
    if (const Slot* data = handle[DataWord].AsHandle())
        item.data = GSRuntime::GSScriptInstance::FromHandle(data);
    return item;
}

bool SameItem(const Item& a, const Item& b)
{
    return a.name == b.name && a.value == b.value && a.data == b.data;
}

const Slot* ElementHandle(const GSRuntime::GSArray* array, int32_t i)
{
    return array->Elements()[i].AsHandle();
}

bool AddInternal(GSRuntime::GSContext* /*context*/, GSRuntime::GSStack& stack)
{
    GSRuntime::GSArray* array = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &array))
        return true;
    Slot* handle = stack.CurrentFrame()->GetHandleParam(2);
    const bool unique = stack.CurrentFrame()->GetIntParam(3) != 0;
    if (handle == nullptr || !array->HoldsReferences())
        return true;
    if (unique) {
        const Item item = ReadItem(handle);
        for (int32_t i = 0; i < array->Count(); ++i) {
            if (SameItem(ReadItem(ElementHandle(array, i)), item))
                return true;
        }
    }
    array->SetObjectElement(array->Count(), handle, true, nullptr);
    return true;
}

bool SortInternal(GSRuntime::GSContext* /*context*/, GSRuntime::GSStack& stack)
{
    GSRuntime::GSArray* array = nullptr;
    if (!GSRuntime::GetNativeObjectParam(stack.CurrentFrame(), 1, &array) || !array->HoldsReferences())
        return true;
    const int32_t count = array->Count();
    for (int32_t i = 0; i + 1 < count; ++i) {
        int32_t smallest = i;
        std::string_view smallestName = ReadItem(ElementHandle(array, i)).name;
        for (int32_t j = i + 1; j < count; ++j) {
            const std::string_view name = ReadItem(ElementHandle(array, j)).name;
            if (name < smallestName) {
                smallest = j;
                smallestName = name;
            }
        }
        if (smallest == i)
            continue;
        Slot* first = nullptr;
        Slot* second = nullptr;
        array->GetObjectElement(i, &first, true);
        array->GetObjectElement(smallest, &second, true);
        array->SetObjectElement(i, second, false, nullptr);
        array->SetObjectElement(smallest, first, false, nullptr);
    }
    return true;
}

}  // namespace

void RegisterLinkedListNatives()
{
    GSMachine* machine = GSMachine::Get();
    machine->RegisterNative(new GSRuntime::GSCNativeFunction(
        "LinkedList", "$void@LinkedList::AddInternal(LinkedData[],LinkedData,bool)", AddInternal));
    machine->RegisterNative(
        new GSRuntime::GSCNativeFunction("LinkedList", "$void@LinkedList::SortInternal(LinkedData[])", SortInternal));
}
