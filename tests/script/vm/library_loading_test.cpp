// Loading and linking: dependencies through the machine, class and function
// references, natives, overridden functions, and damaged images refused with
// the loader's results and messages, never read past.
#include <gtest/gtest.h>

#include <random>

#include "script/vm/gs_class.h"
#include "vm_test_support.h"

namespace {

using GSRuntime::GSClass;
using GSRuntime::GSLibrary;
using vm_test::LogCapture;
using vm_test::MachineTest;
using vm_test::ScriptFolder;

class LibraryLoading : public MachineTest {};

const char* const kShapes =
    "class Shape { public int sides = 3; public int Area() { return 0; } public string Name() { return \"shape\"; } "
    "};\n"
    "class Named { public string title; public string Name() { return \"named\"; } };\n"
    "class Square isclass Shape, Named {\n"
    "  float edge = 2.0;\n"
    "  public int Area() { int i; int total = 0; for (i = 0; i < sides; i++) total = total + i; return total; }\n"
    "  public string Name() { return \"square \" + sides; }\n"
    "};\n";

TEST_F(LibraryLoading, ALibraryIsItsOwnFirstDependency)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("shapes.gs", kShapes));
    LogCapture log;
    int result = -9;
    GSLibrary* library = vm_test::Load(folder.Register("shapes.gsl"), &result);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(log.Taken().empty());
    ASSERT_EQ(library->DependencyCount(), 1u);
    EXPECT_EQ(library->Dependency(0), library);
    EXPECT_EQ(library->ClassCount(), 3u);
    GSClass* square = GSLibrary::FindClass(library, "Square");
    ASSERT_NE(square, nullptr);
    // Every method-table slot names a linked function.
    ASSERT_EQ(square->MethodCount(), 5u);
    const std::vector<std::string> slots = {"$int@Square::Area()", "$string@Square::Name()", "$string@Square::Name()",
                                            "$int@Square::Area()", "$string@Square::Name()"};
    for (uint32_t i = 0; i < square->MethodCount(); ++i) {
        ASSERT_NE(square->Method(i).Function(), nullptr) << i;
        EXPECT_STREQ(square->Method(i).Function()->signature, slots[i].c_str()) << i;
    }
    // Square's own Area overrides Shape's: the base function and its block.
    const GSRuntime::GSFunction& area = square->Function(uint32_t(square->FindFunction("$int@Square::Area()")));
    ASSERT_NE(area.overridden, nullptr);
    EXPECT_STREQ(area.overridden->signature, "$int@Shape::Area()");
    EXPECT_EQ(area.overriddenOffset, 2);
    EXPECT_EQ(GSLibrary::FindClass(library, "Circle"), nullptr);
    EXPECT_EQ(GSLibrary::FindClass(nullptr, "Square"), nullptr);
}

TEST_F(LibraryLoading, DependenciesLoadOnDemandAndAMissingOneFailsWithMinusTwo)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("base.gs", "class Base { public int f(int a) { return a; } };\n"));
    ASSERT_TRUE(folder.Compile("user.gs",
                               "include \"base.gs\"\nclass User isclass Base { public int g() { return f(2); } };\n"));
    const vm_test::Library user = folder.Register("user.gsl");
    LogCapture log;
    int result = 0;
    EXPECT_EQ(vm_test::Load(user, &result), nullptr);
    EXPECT_EQ(result, -2);
    ASSERT_EQ(log.Taken().size(), 2u);
    EXPECT_EQ(log.Taken()[0].rfind("GSMachine::GetLibrary> library '0x", 0), 0u) << log.Taken()[0];
    EXPECT_EQ(log.Taken()[1], "GSMachine: Error -2 loading library " + folder.Root() + "/user.gsl (user.gs)");

    const vm_test::Library base = folder.Register("base.gsl");
    log.Clear();
    GSLibrary* library = vm_test::Load(user, &result);
    ASSERT_NE(library, nullptr);
    EXPECT_TRUE(log.Taken().empty());
    EXPECT_EQ(library->Dependency(1), vm_test::Load(base));
    GSClass* userClass = GSLibrary::FindClass(library, "User");
    EXPECT_EQ(userClass->Bases()[0].cls, GSLibrary::FindClass(library->Dependency(1), "Base"));
}

TEST_F(LibraryLoading, EveryMissingClassIsReportedBeforeMinusThree)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("parts.gs", "class Wheel { public int r; };\nclass Axle { public int l; };\n"));
    ASSERT_TRUE(folder.Compile("cart.gs", "include \"parts.gs\"\nclass Cart { Wheel w; Axle a; };\n"));
    std::vector<uint8_t> parts = folder.Bytes("parts.gsl");
    ASSERT_TRUE(vm_test::PatchString(&parts, "Wheel", "Wheez"));
    ASSERT_TRUE(vm_test::PatchString(&parts, "Axle", "Axil"));
    folder.Write("parts.gsl", parts);
    folder.Register("parts.gsl");
    const vm_test::Library cart = folder.Register("cart.gsl");
    LogCapture log;
    int result = 0;
    EXPECT_EQ(vm_test::Load(cart, &result), nullptr);
    EXPECT_EQ(result, -3);
    EXPECT_EQ(log.Taken(),
              (std::vector<std::string>{
                  "GS Link error: Unable to find class 'Wheel'", "GS Link error: Unable to find class 'Axle'",
                  "GSMachine: Error -3 loading library " + folder.Root() + "/cart.gsl (cart.gs)"}));
}

TEST_F(LibraryLoading, AFunctionItsClassLacksFailsWithMinusThree)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("tool.gs", "class Tool { public int Use(int a) { return a; } };\n"));
    ASSERT_TRUE(
        folder.Compile("hand.gs", "include \"tool.gs\"\nclass Hand { public int Go(Tool t) { return t.Use(1); } };\n"));
    std::vector<uint8_t> tool = folder.Bytes("tool.gsl");
    ASSERT_TRUE(vm_test::PatchString(&tool, "$int@Tool::Use(int)", "$int@Tool::Usx(int)"));
    folder.Write("tool.gsl", tool);
    folder.Register("tool.gsl");
    LogCapture log;
    int result = 0;
    EXPECT_EQ(vm_test::Load(folder.Register("hand.gsl"), &result), nullptr);
    EXPECT_EQ(result, -3);
    ASSERT_FALSE(log.Taken().empty());
    EXPECT_EQ(log.Taken()[0], "GS Link error: Unable to link function '$int@Tool::Use(int)'");
}

TEST_F(LibraryLoading, AnUnboundNativeIsLoggedAndLoads)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("lamp.gs", "class Lamp { public native void Glow(int level); };\n"));
    LogCapture log;
    int result = -9;
    GSLibrary* library = vm_test::Load(folder.Register("lamp.gsl"), &result);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(log.Taken(), std::vector<std::string>{"Could not resolve native link $void@Lamp::Glow(int)"});
    EXPECT_EQ(GSLibrary::FindClass(library, "Lamp")->Function(0).native, nullptr);
}

TEST_F(LibraryLoading, TheCoreLibraryBindsItsNativesBySignature)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.CompileCore());
    LogCapture log;
    GSLibrary* core = vm_test::Load(folder.Register("gs.gsl"));
    ASSERT_NE(core, nullptr);
    GSClass* math = GSLibrary::FindClass(core, "Math");
    ASSERT_NE(math, nullptr);
    // Both Rand overloads keep their own slot and their own binding.
    ASSERT_EQ(math->MethodCount(), 3u);
    const GSRuntime::GSFunction* randFloat = math->Method(0).Function();
    const GSRuntime::GSFunction* randInt = math->Method(1).Function();
    EXPECT_STREQ(randFloat->signature, "$float@Math::Rand(float,float)");
    EXPECT_STREQ(randInt->signature, "$int@Math::Rand(int,int)");
    EXPECT_NE(randFloat->native, nullptr);
    EXPECT_NE(randInt->native, nullptr);
    EXPECT_NE(randFloat->native, randInt->native);
    for (const char* name : {"GSObject", "GameObject", "Router", "Str"}) {
        GSClass* cls = GSLibrary::FindClass(core, name);
        ASSERT_NE(cls, nullptr) << name;
        for (uint32_t i = 0; i + 1 < cls->FunctionCount(); ++i)
            EXPECT_NE(cls->Function(i).native, nullptr) << cls->Function(i).signature;
    }
    EXPECT_TRUE(log.Taken().empty()) << log.Taken()[0];
}

TEST_F(LibraryLoading, TheLaterOfTwoClassesOfOneNameIsFound)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("twins.gs", "class Alpha { public int a; };\nclass Bravo { public int b; };\n"));
    std::vector<uint8_t> image = folder.Bytes("twins.gsl");
    ASSERT_TRUE(vm_test::PatchString(&image, "Bravo", "Alpha"));
    folder.Write("twins.gsl", image);
    GSLibrary* library = vm_test::Load(folder.Register("twins.gsl"));
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(GSLibrary::FindClass(library, "Alpha"), library->Class(1));
}

TEST_F(LibraryLoading, OverridesAreFoundByNameAndArgumentsWhateverTheResult)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("over.gs", "class A { public void f(int a) {} public void g() {} };\n"
                                          "class B isclass A { public void f(int a) {} };\n"));
    GSLibrary* library = vm_test::Load(folder.Register("over.gsl"));
    ASSERT_NE(library, nullptr);
    GSClass* b = GSLibrary::FindClass(library, "B");
    GSRuntime::GSFunction* found = nullptr;
    int32_t offset = -1;
    ASSERT_TRUE(b->FindOverridden("$int@B::f(int)", &found, &offset));
    EXPECT_STREQ(found->signature, "$void@A::f(int)");
    EXPECT_EQ(offset, 2);
    EXPECT_FALSE(b->FindOverridden("$void@B::f(string)", &found, &offset));
    EXPECT_FALSE(b->FindOverridden("no signature", &found, &offset));
}

// A library whose load succeeded while another one was loading may point
// into it: when that one fails, both go, and the first loads again later.
TEST_F(LibraryLoading, LibrariesLoadedDuringAFailedLoadGoWithIt)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("parts.gs", "class Wheel { public int r; };\n"));
    folder.Tree().MakeFile("a.gs", "include \"b.gs\"\ninclude \"parts.gs\"\n"
                                   "class A { public B partner; public Wheel w; };\n");
    folder.Tree().MakeFile("b.gs", "include \"a.gs\"\nclass B { public A partner; };\n");
    ASSERT_TRUE(folder.CompileExisting("a.gs"));
    ASSERT_TRUE(folder.CompileExisting("b.gs"));
    std::vector<uint8_t> parts = folder.Bytes("parts.gsl");
    ASSERT_TRUE(vm_test::PatchString(&parts, "Wheel", "Wheez"));
    folder.Write("parts.gsl", parts);
    const vm_test::Library a = folder.Register("a.gsl");
    const vm_test::Library b = folder.Register("b.gsl");
    folder.Register("parts.gsl");
    int result = 0;
    EXPECT_EQ(vm_test::Load(a, &result), nullptr);
    EXPECT_EQ(result, -3);
    EXPECT_TRUE(GSMachine::Get()->LoadedLibraries().empty());
    // b needs a, which still cannot be had.
    EXPECT_EQ(vm_test::Load(b, &result), nullptr);
    EXPECT_EQ(result, -2);
    EXPECT_TRUE(GSMachine::Get()->LoadedLibraries().empty());
}

TEST_F(LibraryLoading, MutuallyDependentLibrariesLoad)
{
    ScriptFolder folder;
    folder.Tree().MakeFile("a.gs", "include \"b.gs\"\nclass A { public B partner; };\n");
    folder.Tree().MakeFile("b.gs", "include \"a.gs\"\nclass B { public A partner; };\n");
    ASSERT_TRUE(folder.CompileExisting("a.gs"));
    ASSERT_TRUE(folder.CompileExisting("b.gs"));
    const vm_test::Library a = folder.Register("a.gsl");
    const vm_test::Library b = folder.Register("b.gsl");
    GSLibrary* libraryA = vm_test::Load(a);
    ASSERT_NE(libraryA, nullptr);
    GSLibrary* libraryB = vm_test::Load(b);
    ASSERT_NE(libraryB, nullptr);
    EXPECT_EQ(libraryA->Dependency(1), libraryB);
    EXPECT_EQ(libraryB->Dependency(1), libraryA);
    EXPECT_EQ(GSMachine::Get()->LoadedLibraries().size(), 2u);
}

}  // namespace
