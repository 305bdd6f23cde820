// The machine at the sizes users meet: a library of several hundred classes,
// thousands of instances referencing each other, and long, non-ASCII paths.
#include <gtest/gtest.h>

#include "script/vm/gs_array.h"
#include "script/vm/gs_class.h"
#include "script/vm/gs_context.h"
#include "script/vm/gs_object.h"
#include "vm_test_support.h"
#include "zel/file.h"

namespace {

using namespace GSRuntime;

class RealisticSizes : public vm_test::MachineTest {
protected:
    void TearDown() override
    {
        Zel::File::Subst("vmtestlong", nullptr);
        MachineTest::TearDown();
    }
};

// Chains of ten classes deriving from each other, each method with a local,
// a branch, a member update and a string concatenation.
std::string GeneratedSource(int classes, int methods)
{
    std::string text;
    for (int c = 0; c < classes; ++c) {
        const std::string k = std::to_string(c);
        text += "class K" + k + (c % 10 != 0 ? " isclass K" + std::to_string(c - 1) : std::string()) + " {\n";
        text += "  public int v" + k + ";\n  public string s" + k + ";\n  public K" + k + " next" + k + ";\n";
        for (int m = 0; m < methods; ++m) {
            const std::string n = std::to_string(m);
            text += "  public int m" + n + "(int a) { int t = a * " + n +
                    "; if (t > 10) { t = t - 1; } else { t = t + 2; }" + " v" + k + " = v" + k + " + t; s" + k +
                    " = s" + k + " + \"x" + n + "\"; return t; }\n";
        }
        text += "};\n";
    }
    return text;
}

TEST_F(RealisticSizes, ALibraryOfHundredsOfClassesLoadsAndLinks)
{
    vm_test::ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("big.gs", GeneratedSource(300, 20)));
    EXPECT_GT(folder.Bytes("big.gsl").size(), size_t(1) << 20);
    vm_test::LogCapture log;
    int result = -9;
    GSLibrary* library = vm_test::Load(folder.Register("big.gsl"), &result);
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(log.Taken().empty());
    EXPECT_EQ(library->ClassCount(), 300u);
    // The last class of a chain sees the nine before it as bases, and each
    // of its methods overrides the one of the class just before.
    GSClass* last = GSLibrary::FindClass(library, "K299");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Bases().size(), 9u);
    EXPECT_TRUE(last->IsA("K290"));
    EXPECT_FALSE(last->IsA("K289"));
    const GSFunction& m7 = last->Function(uint32_t(last->FindFunction("$int@K299::m7(int)")));
    ASSERT_NE(m7.overridden, nullptr);
    EXPECT_STREQ(m7.overridden->signature, "$int@K298::m7(int)");
    for (uint32_t i = 0; i < last->MethodCount(); ++i)
        EXPECT_EQ(last->Method(i).Function()->cls, last) << i;

    // Thousands of instances in one context, each holding the one before.
    {
        GSContext context;
        GSClass* k0 = GSLibrary::FindClass(library, "K0");
        GSObject* previous = nullptr;
        std::vector<GSObject*> objects;
        GSArray* all = new GSArray(&context, 1);
        for (int i = 0; i < 5000; ++i) {
            GSObject* object = new GSObject;
            ASSERT_TRUE(object->AttachScriptInstance(k0, &context));
            if (previous != nullptr) {
                GSScriptInstance::AddReference(previous->GetScriptInstance());
                GSScriptInstance::StoreReference(object->GetScriptInstance(), 4, previous->GetScriptInstance());
            }
            all->SetObjectElement(i, object->GetScriptInstance(), true, nullptr);
            previous = object;
            objects.push_back(object);
        }
        // The first holds the last: one ring of 5000.
        GSScriptInstance::AddReference(previous->GetScriptInstance());
        GSScriptInstance::StoreReference(objects[0]->GetScriptInstance(), 4, previous->GetScriptInstance());
        // Half of the native objects go now; their instances live on in the ring.
        for (size_t i = 0; i < objects.size(); i += 2)
            delete objects[i];
        EXPECT_EQ(LiveScriptInstances(), 5001);
        EXPECT_EQ(context.Pool().BlockCount(), 5u);
    }
    EXPECT_EQ(LiveScriptInstances(), 0);
}

TEST_F(RealisticSizes, LongAndNonAsciiPathsRegisterAndLoad)
{
    vm_test::ScriptFolder folder;
    // Past 256 bytes, with multi-byte characters in every component.
    std::string relative;
    for (int i = 0; i < 8; ++i)
        relative += std::string(i == 0 ? "" : "/") + "bibliothèque-ünïcode-" + std::to_string(i) + "-ŝçrïpts";
    ASSERT_GT((folder.Root() + "/" + relative).size(), 256u);
    folder.Tree().MakeFolder(relative);
    ASSERT_TRUE(folder.Compile("plain.gs", "class Plain { public int value; };\n"));
    const std::string longFolder = folder.Root() + "/" + relative;
    folder.Write(relative + "/Fahrplan-Überblick.GSL", folder.Bytes("plain.gsl"));
    GSMachine* machine = GSMachine::Get();
    ASSERT_TRUE(machine->AddLibraryFile("", longFolder.c_str(), "Fahrplan-Überblick.GSL"));
    // Lower-casing is ASCII only: the non-ASCII letters must match as given.
    EXPECT_NE(machine->GetLibraryByName((longFolder + "/FAHRPLAN-Überblick.gsl").c_str()), nullptr);
    EXPECT_EQ(machine->GetLibraryByName((longFolder + "/fahrplan-überblick.gsl").c_str()), nullptr);

    Zel::File::Subst("vmtestlong", longFolder.c_str());
    machine->Init();
    ASSERT_TRUE(machine->AddLibraryFolder("vmtestlong"));
    EXPECT_EQ(machine->LinkEntryCount(), 1u);
    GSLibrary* library = machine->GetLibraryByName("fahrplan-Überblick.gsl");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(GSLibrary::FindClass(library, "Plain"), nullptr);
}

}  // namespace
