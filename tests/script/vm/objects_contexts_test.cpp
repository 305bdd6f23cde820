// Script objects and contexts: instances laid out by their class, handles
// that lead back to their header from any block, counted lifetimes, the
// checked reference store, static objects, message objects and teardown.
#include <gtest/gtest.h>

#include "script/vm/call_script_method.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_node.h"
#include "script/vm/gs_object.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_stack.h"
#include "script/vm/gs_string.h"
#include "script/vm/gs_thread.h"
#include "vm_test_support.h"
#include "zel/file.h"

namespace {

using GSRuntime::GSClass;
using GSRuntime::GSContext;
using GSRuntime::GSGameObject;
using GSRuntime::GSLibrary;
using GSRuntime::GSObject;
using GSRuntime::GSScriptInstance;
using GSRuntime::GSString;
using GSRuntime::Slot;
using vm_test::LogCapture;

const char* const kClasses = "include \"gs.gs\"\n"
                             "class B1 { public int a; public void f1() {} public void f2() {} };\n"
                             "class B2 { public void g() {} };\n"
                             "class C isclass B1, B2 { int c; public void h() {} };\n"
                             "class Holder { public Holder other; public string text; public GSObject thing; };\n"
                             "class Actor isclass GameObject { public int energy; };\n"
                             "secured class Hidden isclass GameObject { };\n"
                             "static class Registry { public int Count() { return 0; } };\n"
                             "static class Broken { int start = 3 / 0; };\n"
                             "class Counting { int start = 3 / 0; public int Start() { return start; } };\n"
                             "class Failing { public int Zero() { return 1 / 0; } };\n";

class ObjectsAndContexts : public vm_test::MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        ASSERT_TRUE(folder_.CompileCore());
        ASSERT_TRUE(folder_.Compile("classes.gs", kClasses));
        // Mounted as a store, the core library registers as the bare
        // "gs.gsl" that the machine asks for its core classes.
        Zel::File::Subst("vmtestcore", folder_.Root().c_str());
        ASSERT_TRUE(GSMachine::Get()->AddLibraryFolder("vmtestcore"));
        library_ = GSMachine::Get()->GetLibraryByName("classes.gsl");
        ASSERT_NE(library_, nullptr);
    }
    void TearDown() override
    {
        Zel::File::Subst("vmtestcore", nullptr);
        MachineTest::TearDown();
    }
    GSClass* Class(const char* name)
    {
        GSClass* cls = GSLibrary::FindClass(library_, name);
        if (cls == nullptr)
            cls = GSLibrary::FindClass(library_->Dependency(1), name);
        EXPECT_NE(cls, nullptr) << name;
        return cls;
    }
    // A new object attached to `name` in the context.
    GSObject* Make(const char* name, GSContext* context)
    {
        GSObject* object = new GSObject;
        EXPECT_TRUE(object->AttachScriptInstance(Class(name), context)) << name;
        return object;
    }

    vm_test::ScriptFolder folder_;
    GSLibrary* library_ = nullptr;
};

TEST_F(ObjectsAndContexts, AnInstanceIsLaidOutAsItsClassSays)
{
    GSContext context;
    GSObject* object = Make("C", &context);
    GSClass* c = Class("C");
    Slot* members = object->GetScriptInstance();
    GSScriptInstance* header = GSScriptInstance::FromHandle(members);
    EXPECT_EQ(header->cls, c);
    EXPECT_EQ(header->owner, object);
    EXPECT_EQ(header->references, 1);
    EXPECT_EQ(header->Context(), &context);
    EXPECT_EQ(object->GetContext(), &context);
    EXPECT_EQ(c->InstanceSize(), 11u);
    // Back-offsets and method-table views of each block.
    EXPECT_EQ(members[0].AsInt(), 0);
    EXPECT_EQ(members[1].AsPointer<GSRuntime::GSMethodEntry>(), c->Methods());
    EXPECT_EQ(members[2].AsInt(), -2);
    EXPECT_EQ(members[3].AsPointer<GSRuntime::GSMethodEntry>(), c->Methods());
    EXPECT_EQ(members[5].AsInt(), -5);
    EXPECT_EQ(members[6].AsPointer<GSRuntime::GSMethodEntry>(), c->Methods() + 2);
    // Every block leads back to the one header.
    EXPECT_EQ(GSScriptInstance::FromHandle(members + 2), header);
    EXPECT_EQ(GSScriptInstance::FromHandle(members + 5), header);
    EXPECT_EQ(GSScriptInstance::BlockIndex(members + 5), 5);
    EXPECT_EQ(Class("B1")->FindInstanceData(header), members + 2);
    EXPECT_EQ(Class("B2")->FindInstanceData(header), members + 5);
    EXPECT_EQ(c->FindInstanceData(header), members);
    EXPECT_EQ(Class("Holder")->FindInstanceData(header), nullptr);
    EXPECT_EQ(c->FindInstanceData(nullptr), nullptr);
    EXPECT_TRUE(c->IsA("B2"));
    EXPECT_FALSE(c->IsA("Holder"));
    EXPECT_EQ(c->BaseIndexOf(Class("B2")), 1);
    EXPECT_EQ(c->BaseIndexOf(c), -1);
    // Attaching again keeps the old instance.
    EXPECT_FALSE(object->AttachScriptInstance(Class("Holder"), &context));
    EXPECT_EQ(object->GetScriptInstance(), members);
    delete object;
}

TEST_F(ObjectsAndContexts, AnInstanceStillReferencedOutlivesItsObject)
{
    GSContext context;
    GSObject* object = Make("Holder", &context);
    Slot* handle = object->GetScriptInstance();
    GSScriptInstance::AddReference(handle);
    const int64_t live = GSRuntime::LiveScriptInstances();
    delete object;
    GSScriptInstance* header = GSScriptInstance::FromHandle(handle);
    EXPECT_EQ(header->owner, nullptr);
    EXPECT_EQ(header->references, 1);
    EXPECT_EQ(GSRuntime::LiveScriptInstances(), live);
    GSScriptInstance::Release(handle);
    EXPECT_EQ(GSRuntime::LiveScriptInstances(), live - 1);
}

TEST_F(ObjectsAndContexts, DetachingReleasesTheObjectsCount)
{
    GSContext context;
    GSObject* object = Make("Holder", &context);
    EXPECT_FALSE(object->AttachScriptInstance(nullptr, &context));
    EXPECT_EQ(object->GetScriptInstance(), nullptr);
    EXPECT_EQ(object->GetContext(), nullptr);
    EXPECT_EQ(GSRuntime::LiveScriptInstances(), 0);
    delete object;
}

TEST_F(ObjectsAndContexts, ReferencesIntoAContextThatRefusesThemAreStoredAsNull)
{
    GSContext home;
    GSContext closed(nullptr, false);
    GSContext open(nullptr, true);
    GSObject* holder = Make("Holder", &home);
    struct Case {
        const char* what;
        GSContext* context;
        bool stored;
    };
    const Case cases[] = {{"the same context", &home, true},
                          {"a context that refuses", &closed, false},
                          {"a context that accepts", &open, true},
                          {"no context", nullptr, true}};
    const uint32_t textWord = 3;
    for (const Case& c : cases) {
        GSString* text = new GSString(c.context, "t");
        GSScriptInstance::AddReference(text->GetScriptInstance());
        EXPECT_EQ(GSScriptInstance::StoreReference(holder->GetScriptInstance(), textWord, text->GetScriptInstance()),
                  c.stored)
            << c.what;
        EXPECT_EQ(holder->GetScriptInstance()[textWord].AsHandle(), c.stored ? text->GetScriptInstance() : nullptr)
            << c.what;
        EXPECT_EQ(GSScriptInstance::FromHandle(text->GetScriptInstance())->references, c.stored ? 2 : 1) << c.what;
        GSScriptInstance::Release(text->GetScriptInstance());
    }
    delete holder;
}

TEST_F(ObjectsAndContexts, TeardownFreesObjectsThatReferenceEachOther)
{
    {
        GSContext context;
        GSObject* a = Make("Holder", &context);
        GSObject* b = Make("Holder", &context);
        const uint32_t otherWord = 2;
        GSScriptInstance::AddReference(b->GetScriptInstance());
        GSScriptInstance::StoreReference(a->GetScriptInstance(), otherWord, b->GetScriptInstance());
        GSScriptInstance::AddReference(a->GetScriptInstance());
        GSScriptInstance::StoreReference(b->GetScriptInstance(), otherWord, a->GetScriptInstance());
        // One object is deleted by its holder (its instance lives on, held
        // by the other); the other is left to the teardown.
        delete a;
        GSObject* c = Make("Holder", &context);
        (void)c;
        EXPECT_EQ(GSRuntime::LiveScriptInstances(), 3);
    }
    EXPECT_EQ(GSRuntime::LiveScriptInstances(), 0);
}

TEST_F(ObjectsAndContexts, StaticObjectsAreMadeOncePerContext)
{
    GSContext first;
    GSContext second;
    GSClass* registry = Class("Registry");
    EXPECT_EQ(first.GetStaticObject(Class("Holder")), nullptr);
    GSObject* one = first.GetStaticObject(registry);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(first.GetStaticObject(registry), one);
    EXPECT_EQ(one->GetScriptClass(), registry);
    GSObject* other = second.GetStaticObject(registry);
    EXPECT_NE(other, one);
    EXPECT_EQ(first.GetLibraryContext(library_)->SlotCount(), library_->ClassCount());
}

TEST_F(ObjectsAndContexts, AFailingInitializerLeavesNoInstance)
{
    GSContext context;
    LogCapture log;
    GSObject* object = new GSObject;
    EXPECT_FALSE(object->AttachScriptInstance(Class("Counting"), &context));
    EXPECT_EQ(object->GetScriptInstance(), nullptr);
    EXPECT_EQ(GSRuntime::LiveScriptInstances(), 0);
    EXPECT_EQ(GSRuntime::GSTrackedPool::LiveSlots(), 0);
    ASSERT_FALSE(log.Taken().empty());
    EXPECT_EQ(log.Taken()[0].rfind("Thread Exception: ER_DivideByZero, line ", 0), 0u) << log.Taken()[0];
    // The borrowed main thread is back as it was.
    EXPECT_EQ(GSMachine::Get()->MainThread()->Stack().TopIndex(), -1);
    EXPECT_EQ(GSMachine::Get()->MainThread()->Stack().CurrentFrame(), nullptr);
    delete object;

    log.Clear();
    EXPECT_EQ(context.GetStaticObject(Class("Broken")), nullptr);
    EXPECT_TRUE(log.Contains("Could not construct static class Broken for context"));
}

TEST_F(ObjectsAndContexts, GameObjectsTakeOnlyGameObjectClasses)
{
    GSContext context(new GSRuntime::GSRouter);
    GSGameObject* gameObject = new GSGameObject;
    EXPECT_FALSE(gameObject->AttachScriptInstance(Class("Holder"), &context));
    ASSERT_TRUE(context.Router()->AddNode(gameObject));
    EXPECT_TRUE(gameObject->AttachScriptInstance(Class("Actor"), &context));
    EXPECT_GT(gameObject->Id(), 0);
    EXPECT_EQ(context.Router()->FindNode(gameObject->Id()), gameObject);
    GSScriptInstance* header = gameObject->Instance();
    EXPECT_EQ(Class("GameObject")->FindInstanceData(header), gameObject->GetScriptInstance() + 2);
    delete gameObject;
    EXPECT_EQ(context.Router()->NodeCount(), 0u);
}

TEST_F(ObjectsAndContexts, AMessageObjectCarriesItsTextsAndObjects)
{
    GSContext context(new GSRuntime::GSRouter);
    GSGameObject* sender = new GSGameObject;
    ASSERT_TRUE(context.Router()->AddNode(sender));
    ASSERT_TRUE(sender->AttachScriptInstance(Class("Actor"), &context));
    GSRuntime::GSMessage message{};
    message.major = context.Router()->InternName("Ping");
    message.minor = context.Router()->InternName("");
    message.source = sender->Id();
    message.destination = 0;
    EXPECT_EQ(message.major, 101);
    EXPECT_EQ(message.minor, 1);
    Slot* handle = context.MakeMessageObject(message);
    ASSERT_NE(handle, nullptr);
    GSScriptInstance* header = GSScriptInstance::FromHandle(handle);
    EXPECT_STREQ(header->cls->Name(), "Message");
    EXPECT_EQ(GSString::FromHandle(handle[2].AsHandle())->Text(), "Ping");
    EXPECT_EQ(GSString::FromHandle(handle[3].AsHandle())->Text(), "");
    EXPECT_EQ(handle[4].AsHandle(), sender->GetScriptInstance() + 2);  // viewed as a GameObject
    EXPECT_EQ(handle[5].AsHandle(), nullptr);
    EXPECT_EQ(sender->Instance()->references, 2);
    GSScriptInstance::Release(handle);
    EXPECT_EQ(sender->Instance()->references, 1);
    delete sender;
    GSContext withoutRouter;
    EXPECT_EQ(withoutRouter.MakeMessageObject(message), nullptr);
}

TEST_F(ObjectsAndContexts, NativeCodeCallsMethodsThroughTheInstancesMethodTable)
{
    GSContext context;
    GSObject* object = Make("C", &context);
    GSScriptInstance* header = object->Instance();
    EXPECT_FALSE(GSRuntime::CallScriptMethod(nullptr, header, "$void@C::h()", {}, nullptr));
    EXPECT_FALSE(GSRuntime::CallScriptMethod(header->cls, header, "$void@C::nothing()", {}, nullptr));
    const Slot extra[] = {Slot::FromInt(1)};
    EXPECT_FALSE(GSRuntime::CallScriptMethod(header->cls, header, "$void@C::h()", extra, nullptr));
    LogCapture log;
    EXPECT_TRUE(GSRuntime::CallScriptMethod(header->cls, header, "$void@B1::f1()", {}, nullptr));
    EXPECT_TRUE(log.Taken().empty());
    // A failing run leaves the main thread as it was.
    GSObject* failing = Make("Failing", &context);
    EXPECT_FALSE(GSRuntime::CallScriptMethod(failing->GetScriptClass(), failing->Instance(), "$int@Failing::Zero()", {},
                                             nullptr));
    ASSERT_FALSE(log.Taken().empty());
    EXPECT_EQ(log.Taken()[0], "Thread Exception: ER_DivideByZero, line 11, file classes.gs");
    delete failing;
    EXPECT_EQ(GSMachine::Get()->MainThread()->Stack().TopIndex(), -1);
    EXPECT_EQ(header->references, 1);
    delete object;
}

TEST_F(ObjectsAndContexts, GetGSClassNameNamesTheInstancesClass)
{
    GSContext context;
    GSObject* object = Make("Actor", &context);
    Slot result = Slot::FromInt(0);
    ASSERT_TRUE(GSRuntime::CallScriptMethod(Class("Actor"), object->Instance(), "$string@GSObject::GetGSClassName()",
                                            {}, &result));
    GSString* name = GSString::FromHandle(result.AsHandle());
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->Text(), "Actor");
    EXPECT_EQ(GSScriptInstance::FromHandle(result.AsHandle())->Context(), &context);
    GSScriptInstance::Release(result.AsHandle());
    delete object;
}

TEST_F(ObjectsAndContexts, RouterFindsVisibleGameObjectsAcrossContexts)
{
    GSContext here(new GSRuntime::GSRouter);
    GSContext there(new GSRuntime::GSRouter);
    GSContext hiddenWorld(new GSRuntime::GSRouter);
    hiddenWorld.Router()->SetNotSearchable(true);
    auto place = [&](GSContext& context, const char* cls) {
        GSGameObject* gameObject = new GSGameObject;
        EXPECT_TRUE(context.Router()->AddNode(gameObject));
        EXPECT_TRUE(gameObject->AttachScriptInstance(Class(cls), &context));
        return gameObject;
    };
    GSGameObject* local = place(here, "Actor");
    GSGameObject* remote = place(there, "Actor");
    GSGameObject* secured = place(here, "Hidden");
    GSGameObject* unseen = place(hiddenWorld, "Actor");
    GSObject* router = here.GetStaticObject(Class("Router"));
    ASSERT_NE(router, nullptr);
    auto call = [&](const char* signature, int32_t id) {
        const Slot argument[] = {Slot::FromInt(id)};
        Slot result = Slot::FromInt(0);
        EXPECT_TRUE(GSRuntime::CallScriptMethod(Class("Router"), router->Instance(), signature, argument, &result));
        Slot* handle = result.AsHandle();
        GSScriptInstance::Release(handle);
        return handle;
    };
    const char* const local_ = "$GameObject@Router::GetGameObject(int)";
    const char* const foreign = "$GameObject@Router::GetForeignGameObject(int)";
    EXPECT_EQ(call(local_, local->Id()), local->GetScriptInstance() + 2);
    EXPECT_EQ(call(local_, remote->Id()), nullptr);
    EXPECT_EQ(call(local_, secured->Id()), nullptr);
    EXPECT_EQ(call(foreign, remote->Id()), remote->GetScriptInstance() + 2);
    EXPECT_EQ(call(foreign, unseen->Id()), nullptr);
    EXPECT_EQ(call(foreign, 0), nullptr);
    for (GSGameObject* gameObject : {local, remote, secured, unseen})
        delete gameObject;
}

TEST_F(ObjectsAndContexts, AStacksContextIsItsNewestOwnedReceivers)
{
    GSContext context;
    GSObject* owned = Make("Holder", &context);
    GSObject* dropped = Make("Holder", &context);
    Slot* ownerless = dropped->GetScriptInstance();
    GSScriptInstance::AddReference(ownerless);
    delete dropped;
    GSRuntime::GSStack stack;
    EXPECT_EQ(stack.GetContext(), nullptr);
    GSRuntime::GSFunction& initializer = const_cast<GSRuntime::GSFunction&>(Class("Holder")->Initializer());
    GSScriptInstance::AddReference(owned->GetScriptInstance());
    stack.Push(Slot::FromPointer(owned->GetScriptInstance()));
    ASSERT_TRUE(stack.PushFrame(&initializer, 0));
    stack.Push(Slot::FromPointer(ownerless));
    ASSERT_TRUE(stack.PushFrame(&initializer, 0));
    // The newest receiver has no native object: the older frame's counts.
    EXPECT_EQ(stack.GetContext(), &context);
    stack.Unwind();
    EXPECT_EQ(owned->Instance()->references, 1);
    delete owned;
}

}  // namespace
