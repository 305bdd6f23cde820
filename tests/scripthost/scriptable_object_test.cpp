// Script-backed objects: queued on their context, classes bound from the asset spec or the object's own source, and source changes.
#include <gtest/gtest.h>

#include <string>

#include "foundation/streams/t_buffer.h"
#include "library_test_support.h"
#include "script/vm/gs_class.h"
#include "scripthost/scriptable_object.h"

namespace {

class TestObject final : public ScriptableObject {
public:
    TestObject(KorvelScriptContext* context, GSOLibrarySpec* spec) : ScriptableObject(context), spec_(spec) {}
    PemberlynxSpecRef GetSpec() override { return spec_; }

private:
    PemberlynxSpecRef spec_;
};

std::string ClassOf(const GSRuntime::GSObject& object)
{
    const GSRuntime::GSScriptInstance* instance = object.Instance();
    return instance != nullptr && instance->cls != nullptr ? instance->cls->Name() : "none";
}

using ScriptableObjects = LibraryTest::LibraryFixture;

TEST_F(ScriptableObjects, TheClassComesFromTheSpecOrTheObjectsOwnSource)
{
    const struct {
        bool spec;
        const char* source;
        bool failed;
        const char* cls;
    } Cases[] = {
        {false, "", true, "none"},
        // Without a spec there is nowhere to compile the source for.
        {false, LibraryTest::CountingLibrary, true, "none"},
        {true, "", false, "Library"},
        {true, LibraryTest::CountingLibrary, false, "CustomObject"},
        {true, "class CustomObject isclass Nowhere {};", true, "none"},
        // Not a game object: the instance is refused.
        {true, "class CustomObject {};", true, "none"},
        // No Init(Asset): the script cannot start.
        {true, "include \"gs.gs\"\nclass CustomObject isclass GameObject {};", true, "CustomObject"},
    };
    for (const auto& row : Cases) {
        KorvelScriptContext context;
        TestObject object(&context, row.spec ? MakeSpec() : nullptr);
        object.SetSource(row.source);
        ASSERT_TRUE(object.IsQueued());
        ASSERT_EQ(context.Pending().size(), 1u);
        object.CompleteNow(context);
        EXPECT_EQ(object.GetInitFlags(), DelayedInitClient::AllStagesDone) << row.source;
        EXPECT_TRUE(context.Pending().empty());
        EXPECT_EQ(object.HasFailed(), row.failed) << row.source;
        EXPECT_EQ(ClassOf(object), row.cls) << row.source;
    }
}

TEST_F(ScriptableObjects, BlankSourcesClearAndTheStubChangesNothing)
{
    KorvelScriptContext context;
    TestObject object(&context, MakeSpec());
    EXPECT_EQ(object.GetSource(), "include \"Korvel.gs\"\n\ninclude \"Library.gs\"\n\nclass CustomObject isclass "
                                  "Library\n{\n  public void Init(Asset self)\n  {\n    inherited(self);\n"
                                  "    //...\n  }\n};\n\n");
    object.SetSource(object.GetSource());
    EXPECT_EQ(object.GetStoredSource(), "");
    object.SetSource("\n\t  class CustomObject {};");
    EXPECT_EQ(object.GetStoredSource(), "class CustomObject {};");
    object.SetSource(" \r\n\t ");
    EXPECT_EQ(object.GetStoredSource(), "");
    object.CompleteNow(context);
    EXPECT_EQ(ClassOf(object), "Library");
}

TEST_F(ScriptableObjects, ANewSourceRestartsAStartedScriptInPlace)
{
    KorvelScriptContext context;
    TestObject object(&context, MakeSpec());
    object.CompleteNow(context);
    ASSERT_EQ(ClassOf(object), "Library");
    object.SetSource(LibraryTest::CountingLibrary);
    EXPECT_FALSE(object.HasFailed());
    EXPECT_EQ(ClassOf(object), "CustomObject");
    EXPECT_NE(object.RouterOf(), nullptr);

    // A stream carries the source to another object, which restarts too.
    TBuffer stream;
    object.WriteSource(stream);
    stream.Rewind();
    TestObject copy(&context, MakeSpec("", 101));
    copy.CompleteNow(context);
    copy.ReadSource(stream);
    EXPECT_EQ(copy.GetStoredSource(), LibraryTest::CountingLibrary);
    EXPECT_EQ(ClassOf(copy), "CustomObject");
}

TEST_F(ScriptableObjects, DestroyingAnObjectTakesItOffTheQueue)
{
    KorvelScriptContext context;
    auto* first = new TestObject(&context, nullptr);
    auto* second = new TestObject(&context, nullptr);
    context.SetWalking(true);
    delete first;
    ASSERT_EQ(context.Pending().size(), 2u);
    EXPECT_EQ(context.Pending()[0], nullptr);
    context.SetWalking(false);
    delete second;
    EXPECT_EQ(context.Pending().size(), 1u);
    context.CompleteAll();
    EXPECT_TRUE(context.Pending().empty());
}

TEST_F(ScriptableObjects, AContextThatGoesFirstLeavesItsQueuedObjectsBehindCleanly)
{
    TestObject* bound = nullptr;
    TestObject* unbound = nullptr;
    {
        KorvelScriptContext context;
        bound = new TestObject(&context, MakeSpec());
        bound->Stage2();
        ASSERT_EQ(ClassOf(*bound), "Library");
        unbound = new TestObject(&context, nullptr);
        ASSERT_EQ(context.Pending().size(), 2u);
    }
    // The pool's teardown deleted the one with an instance; the other is
    // still ours, and off the queue of a context that is gone.
    EXPECT_FALSE(unbound->IsQueued());
    delete unbound;
}

}  // namespace
