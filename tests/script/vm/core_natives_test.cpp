// The core Str and Math natives, called by their signatures on the static
// objects of the compiled core library.
#include <gtest/gtest.h>

#include <cmath>

#include "script/vm/call_script_method.h"
#include "script/vm/gs_array.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_object.h"
#include "script/vm/gs_string.h"
#include "script/vm/math_natives.h"
#include "vm_test_support.h"

namespace {

using namespace GSRuntime;

class CoreNatives : public vm_test::MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        ASSERT_TRUE(folder_.CompileCore());
        core_ = vm_test::Load(folder_.Register("gs.gsl"));
        ASSERT_NE(core_, nullptr);
        context_ = std::make_unique<GSContext>();
    }
    void TearDown() override
    {
        context_.reset();
        MachineTest::TearDown();
    }
    // Calls a static class's native; the result slot.
    Slot Call(const char* cls, const char* signature, std::vector<Slot> args)
    {
        GSClass* staticClass = GSLibrary::FindClass(core_, cls);
        GSObject* object = context_->GetStaticObject(staticClass);
        Slot result = Slot::FromInt(0);
        EXPECT_TRUE(CallScriptMethod(staticClass, object->Instance(), signature, args, &result)) << signature;
        return result;
    }
    GSString* Text(const char* text)
    {
        GSString* string = new GSString(context_.get(), text);
        strings_.push_back(string);
        return string;
    }
    static Slot Handle(GSString* string)
    {
        return Slot::FromPointer(string != nullptr ? string->GetScriptInstance() : nullptr);
    }
    static std::string Owned(Slot result)
    {
        GSString* string = GSString::FromHandle(result.AsHandle());
        const std::string text = string != nullptr ? std::string(string->Text().View()) : "<null>";
        GSScriptInstance::Release(result.AsHandle());
        return text;
    }

    vm_test::ScriptFolder folder_;
    GSLibrary* core_ = nullptr;
    std::unique_ptr<GSContext> context_;
    std::vector<GSString*> strings_;
};

TEST_F(CoreNatives, TrimmingUsesTheGivenSetOrTheDefaultOne)
{
    GSString* text = Text("  ab ");
    Call("Str", "$void@Str::TrimLeft(string,string)", {Handle(text), Slot::FromInt(0)});
    EXPECT_EQ(text->Text(), "ab ");
    GSString* again = Text("  ab ");
    Call("Str", "$void@Str::TrimRight(string,string)", {Handle(again), Handle(Text("b "))});
    EXPECT_EQ(again->Text(), "  a");
    GSString* only = Text("\t\r\n\v ");
    Call("Str", "$void@Str::TrimRight(string,string)", {Handle(only), Handle(Text(""))});
    EXPECT_EQ(only->Text(), "");
    Call("Str", "$void@Str::TrimLeft(string,string)", {Slot::FromInt(0), Slot::FromInt(0)});
}

TEST_F(CoreNatives, UnpackingTakesOneWordAtATime)
{
    GSString* text = Text("  12 34");
    EXPECT_EQ(Call("Str", "$int@Str::UnpackInt(string)", {Handle(text)}).AsInt(), 12);
    EXPECT_EQ(text->Text(), " 34");
    EXPECT_EQ(Call("Str", "$int@Str::UnpackInt(string)", {Handle(text)}).AsInt(), 34);
    EXPECT_EQ(text->Text(), "");
    EXPECT_EQ(Call("Str", "$int@Str::UnpackInt(string)", {Handle(text)}).AsInt(), 0);
    GSString* word = Text("single");
    EXPECT_EQ(Owned(Call("Str", "$string@Str::UnpackString(string)", {Handle(word)})), "single");
    EXPECT_EQ(word->Text(), "");
    EXPECT_EQ(Owned(Call("Str", "$string@Str::UnpackString(string)", {Handle(word)})), "<null>");
    GSString* number = Text("2.5 rest");
    EXPECT_EQ(Call("Str", "$float@Str::UnpackFloat(string)", {Handle(number)}).AsFloat(), 2.5f);
    EXPECT_EQ(number->Text(), " rest");
}

TEST_F(CoreNatives, ConversionsAndCaseChanges)
{
    EXPECT_EQ(Call("Str", "$int@Str::ToInt(string)", {Handle(Text("-42x"))}).AsInt(), -42);
    EXPECT_EQ(Call("Str", "$int@Str::ToInt(string)", {Slot::FromInt(0)}).AsInt(), 0);
    EXPECT_EQ(Call("Str", "$float@Str::ToFloat(string)", {Handle(Text("1.25"))}).AsFloat(), 1.25f);
    GSString* text = Text("MiXeD é");
    Call("Str", "$void@Str::ToUpper(string)", {Handle(text)});
    EXPECT_EQ(text->Text(), "MIXED é");
    Call("Str", "$void@Str::ToLower(string)", {Handle(text)});
    EXPECT_EQ(text->Text(), "mixed é");
}

TEST_F(CoreNatives, FindSearchesFromAStartWithinTheString)
{
    const char* find = "$int@Str::Find(string,string,int)";
    EXPECT_EQ(Call("Str", find, {Handle(Text("hello")), Handle(Text("l")), Slot::FromInt(0)}).AsInt(), 2);
    EXPECT_EQ(Call("Str", find, {Handle(Text("hello")), Handle(Text("l")), Slot::FromInt(3)}).AsInt(), 3);
    EXPECT_EQ(Call("Str", find, {Handle(Text("hello")), Handle(Text("l")), Slot::FromInt(6)}).AsInt(), -1);
    EXPECT_EQ(Call("Str", find, {Handle(Text("hello")), Handle(Text("")), Slot::FromInt(5)}).AsInt(), 5);
    EXPECT_EQ(Call("Str", find, {Handle(Text("hello")), Handle(Text("h")), Slot::FromInt(-1)}).AsInt(), -1);
    EXPECT_EQ(Call("Str", find, {Slot::FromInt(0), Handle(Text("h")), Slot::FromInt(0)}).AsInt(), -1);
}

TEST_F(CoreNatives, TokensMakesAnArrayOfNewStrings)
{
    Slot result = Call("Str", "$string[]@Str::Tokens(string,string)", {Handle(Text("a,,b")), Handle(Text(","))});
    GSArray* tokens = dynamic_cast<GSArray*>(GSScriptInstance::FromHandle(result.AsHandle())->owner);
    ASSERT_NE(tokens, nullptr);
    ASSERT_EQ(tokens->Count(), 2);
    EXPECT_EQ(GSString::FromHandle(tokens->Elements()[0].AsHandle())->Text(), "a");
    EXPECT_EQ(GSString::FromHandle(tokens->Elements()[1].AsHandle())->Text(), "b");
    GSScriptInstance::Release(result.AsHandle());
    result = Call("Str", "$string[]@Str::Tokens(string,string)", {Slot::FromInt(0), Slot::FromInt(0)});
    tokens = dynamic_cast<GSArray*>(GSScriptInstance::FromHandle(result.AsHandle())->owner);
    ASSERT_NE(tokens, nullptr);
    EXPECT_EQ(tokens->Count(), 0);
    GSScriptInstance::Release(result.AsHandle());
}

TEST_F(CoreNatives, RandomNumbersFollowTheirStateAndBounds)
{
    SetMathRandomState(1);
    EXPECT_EQ(MathNext(), 31415822);
    SetMathRandomState(1);
    // 31415822 mod 65535 = 24557, scaled by 1/65535 and 100.
    EXPECT_EQ(Call("Math", "$int@Math::Rand(int,int)", {Slot::FromInt(0), Slot::FromInt(100)}).AsInt(), 37);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(Call("Math", "$int@Math::Rand(int,int)", {Slot::FromInt(0), Slot::FromInt(1)}).AsInt(), 0);
        EXPECT_EQ(
            Call("Math", "$float@Math::Rand(float,float)", {Slot::FromFloat(2.5f), Slot::FromFloat(2.5f)}).AsFloat(),
            2.5f);
        const float f =
            Call("Math", "$float@Math::Rand(float,float)", {Slot::FromFloat(-1), Slot::FromFloat(1)}).AsFloat();
        EXPECT_GE(f, -1.0f);
        EXPECT_LT(f, 1.0f);
        const int32_t n =
            Call("Math", "$int@Math::Rand(int,int)", {Slot::FromInt(INT32_MIN), Slot::FromInt(INT32_MAX)}).AsInt();
        (void)n;  // the full range wraps, but never traps
    }
    EXPECT_EQ(Call("Math", "$float@Math::Sqrt(float)", {Slot::FromFloat(2.0f)}).AsFloat(), std::sqrt(2.0f));
}

}  // namespace
