// GSMachine registration: library files by their 20-byte header and folders
// of "*.gsl", look-ups by id and by lower-cased path, loading on demand.
#include <gtest/gtest.h>

#include "script/vm/native_function.h"
#include "vm_test_support.h"
#include "zel/file.h"

namespace {

using vm_test::LogCapture;
using vm_test::MachineTest;
using vm_test::ScriptFolder;

const char* const kPlain = "class Plain { public int value; };\n";

class MachineRegistration : public MachineTest {
protected:
    void TearDown() override
    {
        Zel::File::Subst("vmtestlibs", nullptr);
        MachineTest::TearDown();
    }
};

TEST_F(MachineRegistration, TheSameFileUnderTwoPathsIsOneEntry)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("plain.gs", kPlain));
    GSMachine* machine = GSMachine::Get();
    uint64_t first = 0;
    uint64_t second = 0;
    ASSERT_TRUE(machine->AddLibraryFile("", folder.Root().c_str(), "plain.gsl", &first));
    ASSERT_TRUE(machine->AddLibraryFile(nullptr, nullptr, (folder.Root() + "/plain.gsl").c_str(), &second));
    EXPECT_EQ(first, second);
    EXPECT_EQ(machine->LinkEntryCount(), 1u);
    GSRuntime::GSLibrary* library = machine->GetLibraryByName((folder.Root() + "/PLAIN.GSL").c_str());
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->Name(), "plain.gs");
    EXPECT_EQ(machine->GetLibrary(uint32_t(first >> 32), uint32_t(first)), library);
    // The whole path is the key: the file name alone is not registered.
    EXPECT_EQ(machine->GetLibraryByName("plain.gsl"), nullptr);
}

TEST_F(MachineRegistration, FolderRefusesASecondFileWithAKnownId)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("plain.gs", kPlain));
    folder.Write("copy.GSL", folder.Bytes("plain.gsl"));
    folder.Tree().MakeFile("notes.txt", "not a library");
    Zel::File::Subst("vmtestlibs", folder.Root().c_str());
    LogCapture log;
    GSMachine* machine = GSMachine::Get();
    ASSERT_TRUE(machine->AddLibraryFolder("vmtestlibs"));
    EXPECT_EQ(machine->LinkEntryCount(), 1u);
    // Which of the two comes first is the folder listing's business.
    ASSERT_EQ(log.Taken().size(), 1u);
    const bool copyRefused = log.Taken()[0] == "Could not add game script library copy.GSL to GSMachine";
    const bool plainRefused = log.Taken()[0] == "Could not add game script library plain.gsl to GSMachine";
    EXPECT_TRUE(copyRefused || plainRefused) << log.Taken()[0];
    EXPECT_EQ(machine->GetLibraryByName("copy.gsl") == nullptr, copyRefused);
    EXPECT_EQ(machine->GetLibraryByName("plain.gsl") == nullptr, plainRefused);
    EXPECT_FALSE(machine->AddLibraryFolder("vmtestnowhere"));
}

TEST_F(MachineRegistration, ShortAndForeignFilesAreNotRegisteredAndLogNothing)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("plain.gs", kPlain));
    const std::vector<uint8_t> good = folder.Bytes("plain.gsl");
    folder.Write("short.gsl", std::vector<uint8_t>(good.begin(), good.begin() + 19));
    std::vector<uint8_t> foreign(good.begin(), good.begin() + 20);
    foreign[4] ^= 0xFF;
    folder.Write("foreign.gsl", foreign);
    folder.Tree().MakeFolder("folder.gsl");
    folder.Write("empty.gsl", {});
    LogCapture log;
    GSMachine* machine = GSMachine::Get();
    for (const char* name : {"short.gsl", "foreign.gsl", "folder.gsl", "empty.gsl", "missing.gsl"})
        EXPECT_FALSE(machine->AddLibraryFile("", folder.Root().c_str(), name)) << name;
    std::remove((folder.Root() + "/plain.gsl").c_str());
    Zel::File::Subst("vmtestlibs", folder.Root().c_str());
    EXPECT_TRUE(machine->AddLibraryFolder("vmtestlibs"));
    EXPECT_EQ(machine->LinkEntryCount(), 0u);
    EXPECT_TRUE(log.Taken().empty());
}

TEST_F(MachineRegistration, UnknownIdsAreReportedWithSimilarLibraries)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("plain.gs", kPlain));
    const vm_test::Library plain = folder.Register("plain.gsl");
    ASSERT_NE(vm_test::Load(plain), nullptr);
    LogCapture log;
    int result = 0;
    EXPECT_EQ(GSMachine::Get()->GetLibrary(0x12345678, plain.fileNameCrc, &result), nullptr);
    EXPECT_EQ(result, -2);
    char expected[96];
    std::snprintf(expected, sizeof expected, "GSMachine::GetLibrary> library '0x12345678 0x%X' not found in link table",
                  plain.fileNameCrc);
    EXPECT_EQ(log.Taken(),
              (std::vector<std::string>{
                  expected,
                  "  Similar library found with matching filename hash but built from different source: plain.gs"}));
}

TEST_F(MachineRegistration, AFileGoneSinceRegistrationGivesNullSilently)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("plain.gs", kPlain));
    const vm_test::Library plain = folder.Register("plain.gsl");
    std::remove((folder.Root() + "/plain.gsl").c_str());
    LogCapture log;
    EXPECT_EQ(vm_test::Load(plain), nullptr);
    EXPECT_TRUE(log.Taken().empty());
}

TEST_F(MachineRegistration, ALibraryThatFailedToLoadIsTriedAgain)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("plain.gs", kPlain));
    const std::vector<uint8_t> good = folder.Bytes("plain.gsl");
    const vm_test::Library plain = folder.Register("plain.gsl");
    std::vector<uint8_t> damaged = good;
    damaged.resize(good.size() / 2);
    folder.Write("plain.gsl", damaged);
    LogCapture log;
    int result = 0;
    EXPECT_EQ(vm_test::Load(plain, &result), nullptr);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(log.Taken(), (std::vector<std::string>{"GSMachine: Error -1 loading library " + folder.Root() +
                                                     "/plain.gsl (plain.gs)"}));
    EXPECT_TRUE(GSMachine::Get()->LoadedLibraries().empty());
    folder.Write("plain.gsl", good);
    EXPECT_NE(vm_test::Load(plain, &result), nullptr);
    EXPECT_EQ(result, 0);
}

TEST_F(MachineRegistration, TheFirstNativeRegisteredForAPairIsFound)
{
    auto handler = [](GSRuntime::GSContext*, GSRuntime::GSStack&) { return true; };
    GSMachine* machine = GSMachine::Get();
    auto* first = new GSRuntime::GSCNativeFunction("Thing", "$void@Thing::Do()", handler);
    auto* second = new GSRuntime::GSCNativeFunction("Thing", "$void@Thing::Do()", handler);
    auto* other = new GSRuntime::GSCNativeFunction("Other", "$void@Thing::Do()", handler);
    machine->RegisterNative(first);
    machine->RegisterNative(second);
    machine->RegisterNative(other);
    EXPECT_EQ(machine->FindNativeFunction(Zel::PString("Thing"), Zel::PString("$void@Thing::Do()")), first);
    EXPECT_EQ(machine->FindNativeFunction(Zel::PString("Other"), Zel::PString("$void@Thing::Do()")), other);
    EXPECT_EQ(machine->FindNativeFunction(Zel::PString("Thing"), Zel::PString("$void@Thing::Undo()")), nullptr);
}

TEST_F(MachineRegistration, TheCoreNativesAreRegisteredAtStart)
{
    GSMachine* machine = GSMachine::Get();
    for (const auto& [cls, signature] : std::vector<std::pair<const char*, const char*>>{
             {"GSObject", "$string@GSObject::GetGSClassName()"},
             {"Router", "$GameObject@Router::GetGameObject(int)"},
             {"Router", "$GameObject@Router::GetForeignGameObject(int)"},
             {"Router", "$GameObject@Router::GetGameObject(string)"},
             {"Math", "$float@Math::Rand(float,float)"},
             {"Math", "$int@Math::Rand(int,int)"},
             {"Math", "$float@Math::Sqrt(float)"},
             {"Str", "$string[]@Str::Tokens(string,string)"},
             {"Str", "$int@Str::Find(string,string,int)"},
         }) {
        EXPECT_NE(machine->FindNativeFunction(Zel::PString(cls), Zel::PString(signature)), nullptr) << signature;
    }
    EXPECT_NE(machine->MainThread(), nullptr);
    EXPECT_TRUE(machine->MainThread()->IsStatic());
}

TEST_F(MachineRegistration, InitAfterUseStartsOver)
{
    ScriptFolder folder;
    ASSERT_TRUE(folder.Compile("plain.gs", kPlain));
    const vm_test::Library plain = folder.Register("plain.gsl");
    ASSERT_NE(vm_test::Load(plain), nullptr);
    const uint32_t natives = GSMachine::Get()->NativeCount();
    GSMachine::Get()->Init();
    EXPECT_EQ(GSMachine::Get()->LinkEntryCount(), 0u);
    EXPECT_TRUE(GSMachine::Get()->LoadedLibraries().empty());
    EXPECT_EQ(GSMachine::Get()->NativeCount(), natives);
}

}  // namespace
