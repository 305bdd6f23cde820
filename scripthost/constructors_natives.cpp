// The ConstructorsBase natives: new Soup and KUIDList objects for scripts (NewImage is the Image class's).
#include "script/vm/gs_machine.h"
#include "script/vm/native_function.h"
#include "scripthost/gso_kuid_list.h"
#include "scripthost/gso_soup.h"
#include "scripthost/native_class_bodies.h"
#include "scripthost/native_objects.h"

namespace {

bool NewSoup(GSRuntime::GSContext* context, GSRuntime::GSStack& stack)
{
    PushMadeObject(stack, GSOSoup::MakeWritable(context), GSOSoup::ScriptClass());
    return true;
}

bool NewKUIDList(GSRuntime::GSContext* context, GSRuntime::GSStack& stack)
{
    PushMadeObject(stack, GSOKUIDList::MakeWritable(context), GSOKUIDList::ScriptClass());
    return true;
}

}  // namespace

// NewImage is the Image class's to bind (see native_class_bodies.h); until
// then it raises "not available".
void RegisterConstructorsNatives()
{
    GSMachine* machine = GSMachine::Get();
    machine->RegisterNative(
        new GSRuntime::GSCNativeFunction("ConstructorsBase", "$Soup@ConstructorsBase::NewSoup()", NewSoup));
    machine->RegisterNative(
        new GSRuntime::GSCNativeFunction("ConstructorsBase", "$KUIDList@ConstructorsBase::NewKUIDList()", NewKUIDList));
}
