// A script world for interpreter tests: one source compiled with the core
// library, a context with a router, objects of its classes (game objects
// join the router), calls into them, and the log of the run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "script/vm/call_script_method.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_game_object.h"
#include "script/vm/gs_router.h"
#include "script/vm/gs_string.h"
#include "script/vm/gs_thread.h"
#include "script/vm/math_natives.h"
#include "vm_test_support.h"
#include "zel/file.h"

namespace vm_test {

class ScriptWorld : public MachineTest {
protected:
    // Compiles the core library and `source` as "test.gs"; false (with the
    // compile messages as failures) when either does not compile or load.
    bool Build(const std::string& source)
    {
        if (!folder_.CompileCore() || !folder_.Compile("test.gs", source))
            return false;
        Zel::File::Subst("vmworldcore", folder_.Root().c_str());
        mounted_ = true;
        if (!GSMachine::Get()->AddLibraryFolder("vmworldcore"))
            return false;
        library_ = GSMachine::Get()->GetLibraryByName("test.gsl");
        context_ = std::make_unique<GSRuntime::GSContext>(new GSRuntime::GSRouter);
        return library_ != nullptr;
    }
    void TearDown() override
    {
        for (GSRuntime::GSObject* object : objects_)
            delete object;
        objects_.clear();
        context_.reset();
        if (mounted_)
            Zel::File::Subst("vmworldcore", nullptr);
        MachineTest::TearDown();
    }

    GSRuntime::GSClass* Class(const char* name) const { return GSRuntime::GSLibrary::FindClass(library_, name); }
    GSRuntime::GSRouter* Router() const { return context_->Router(); }

    // An object of the class, a game object in the router when the class
    // is one; deleted at the end of the test.
    GSRuntime::GSObject* Make(const char* name)
    {
        GSRuntime::GSClass* cls = Class(name);
        EXPECT_NE(cls, nullptr) << name;
        GSRuntime::GSObject* object = nullptr;
        if (GSRuntime::IsGameObjectClass(cls)) {
            auto* gameObject = new GSRuntime::GSGameObject;
            Router()->AddNode(gameObject);
            object = gameObject;
        } else {
            object = new GSRuntime::GSObject;
        }
        EXPECT_TRUE(object->AttachScriptInstance(cls, context_.get())) << name;
        objects_.push_back(object);
        return object;
    }
    GSRuntime::GSGameObject* MakeGame(const char* name) { return static_cast<GSRuntime::GSGameObject*>(Make(name)); }

    // Calls a method by signature; false when the call fails.
    bool Call(GSRuntime::GSObject* object, const std::string& signature, std::vector<GSRuntime::Slot> args = {},
              GSRuntime::Slot* result = nullptr)
    {
        GSRuntime::GSScriptInstance* instance = object->Instance();
        return instance != nullptr && GSRuntime::CallScriptMethod(instance->cls, instance, signature, args, result);
    }
    // The int result of a call; `failed` when the call fails.
    int32_t CallInt(GSRuntime::GSObject* object, const std::string& signature, std::vector<GSRuntime::Slot> args = {})
    {
        GSRuntime::Slot result = GSRuntime::Slot::FromInt(0);
        EXPECT_TRUE(Call(object, signature, std::move(args), &result)) << signature;
        return result.AsInt();
    }
    float CallFloat(GSRuntime::GSObject* object, const std::string& signature, std::vector<GSRuntime::Slot> args = {})
    {
        GSRuntime::Slot result = GSRuntime::Slot::FromInt(0);
        EXPECT_TRUE(Call(object, signature, std::move(args), &result)) << signature;
        return result.AsFloat();
    }
    // The text of a string result ("<null>" for null), released.
    std::string CallString(GSRuntime::GSObject* object, const std::string& signature,
                           std::vector<GSRuntime::Slot> args = {})
    {
        GSRuntime::Slot result = GSRuntime::Slot::FromInt(0);
        EXPECT_TRUE(Call(object, signature, std::move(args), &result)) << signature;
        const GSRuntime::GSString* string = GSRuntime::GSString::FromHandle(result.AsHandle());
        const std::string text = string != nullptr ? std::string(string->Text().View()) : "<null>";
        GSRuntime::GSScriptInstance::Release(result.AsHandle());
        return text;
    }
    // A new string owned by the call that receives it (the call adds its
    // own count; this one is released at the end of the test's context).
    GSRuntime::Slot Text(const std::string& text)
    {
        auto* string = new GSRuntime::GSString(context_.get(), std::string_view(text));
        return GSRuntime::Slot::FromPointer(string->GetScriptInstance());
    }

    ScriptFolder folder_;
    GSRuntime::GSLibrary* library_ = nullptr;
    std::unique_ptr<GSRuntime::GSContext> context_;
    std::vector<GSRuntime::GSObject*> objects_;
    bool mounted_ = false;
};

}  // namespace vm_test
