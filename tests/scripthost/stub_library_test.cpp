// The generated stub source, and compiling stubs with our compiler: same bytes every time, loaded, and nothing left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "script/compiler/compile_log.h"
#include "script/vm/gs_library.h"
#include "script_host_test_root.h"
#include "scripthost/native_library_setup.h"
#include "scripthost/stub_library.h"
#include "support/file_text.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::string StubPath(const char* name)
{
    Zel::File::Path path = StubCacheFolder();
    path.AddPath(name);
    return path.Str();
}

TEST(StubLibrary, TheGeneratedSourceLineByLine)
{
    const struct {
        const char* base;
        const char* include;
        const char* expectedBase;
        const char* expectedInclude;
    } Cases[] = {
        {"", "", "GameObject", "gs.gs"},
        {"Library", "Library.gs", "Library", "Library.gs"},
        {"Signal", "", "Signal", "gs.gs"},
    };
    for (const auto& row : Cases) {
        const std::string expected = std::string("include \"Korvel.gs\"\n\ninclude \"") + row.expectedInclude +
                                     "\"\n\nclass CustomObject isclass " + row.expectedBase +
                                     "\n{\n  public void Init(Asset self)\n  {\n    inherited(self);\n"
                                     "    //...\n  }\n};\n\n";
        EXPECT_EQ(MakeStubSource(row.base, row.include), expected) << row.base;
    }
    EXPECT_EQ(PrependStubIncludes("x.gs"), "include \"Korvel.gs\"\n\ninclude \"x.gs");
    EXPECT_EQ(ConcatAnsiStrings("", ""), "");
    EXPECT_EQ(ConcatAnsiStrings("ab", "cd"), "abcd");
}

class StubCompile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptHostTestRoot();
        ASSERT_TRUE(SetUpNativeLibraries()) << NativeLibrarySetUpFault();
        assetFolder.MakeFolder("asset");
    }
    void TearDown() override { fs::remove(StubPath(StubSourceName)); }

    void WriteStub(const std::string& text) const { KorvelTest::WriteFileText(StubPath(StubSourceName), text); }
    Zel::File::Path Folder() const { return Zel::File::Path((assetFolder / "asset").c_str()); }

    KorvelTest::TempFolder assetFolder{"stubasset"};
};

TEST_F(StubCompile, TheSameStubCompilesToTheSameBytes)
{
    WriteStub(MakeStubSource("Library", "Library.gs"));
    const std::string first = assetFolder / "first.gsl";
    const std::string second = assetFolder / "second.gsl";
    GSCompileLog log;
    ASSERT_EQ(CompileStubToFile(Zel::PString(), Folder(), &log, first.c_str()), 0)
        << (log.LineCount() ? log.Line(0) : "");
    ASSERT_EQ(CompileStubToFile(Zel::PString(), Folder(), &log, second.c_str()), 0);
    const std::string bytes = KorvelTest::ReadFileText(first);
    EXPECT_GT(bytes.size(), 64u);
    EXPECT_EQ(bytes, KorvelTest::ReadFileText(second));
}

TEST_F(StubCompile, AStubLoadsAsALibraryAndLeavesNoFile)
{
    WriteStub(MakeStubSource("Library", "Library.gs"));
    GSCompileLog log;
    GSRuntime::GSLibrary* library = nullptr;
    ASSERT_TRUE(CompileStubLibrary(Zel::PString(), Folder(), &log, &library)) << (log.LineCount() ? log.Line(0) : "");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(GSRuntime::GSLibrary::FindClass(library, StubClassName), nullptr);
    EXPECT_FALSE(fs::exists(StubPath(StubLibraryName)));
}

TEST_F(StubCompile, AFailedCompileGivesNoLibraryAndLeavesNoFile)
{
    const char* Broken[] = {
        "class CustomObject isclass NoSuchBase {};\n",
        "include \"missing-file.gs\"\n",
        "class CustomObject isclass GameObject { public void Init(Asset self) { inherited(self); } };\n",
    };
    for (const char* text : Broken) {
        WriteStub(text);
        GSCompileLog log;
        GSRuntime::GSLibrary* library = reinterpret_cast<GSRuntime::GSLibrary*>(&log);
        EXPECT_FALSE(CompileStubLibrary(Zel::PString(), Folder(), &log, &library)) << text;
        EXPECT_EQ(library, nullptr);
        EXPECT_GT(log.LineCount(), 0u) << text;
        EXPECT_FALSE(fs::exists(StubPath(StubLibraryName))) << text;
    }
}

TEST_F(StubCompile, AnUnwritableSourceIsReportedAndCompilesNothing)
{
    // A file where the cache folder should be: the source cannot be created.
    const fs::path folder = fs::path(StubPath(StubSourceName)).parent_path();
    const fs::path aside = folder.string() + ".aside";
    std::error_code absent;
    fs::rename(folder, aside, absent);
    KorvelTest::WriteFileText(folder.string(), "not a folder");
    GSCompileLog log;
    GSRuntime::GSLibrary* library = reinterpret_cast<GSRuntime::GSLibrary*>(&log);
    const StubOutcome outcome =
        CompileStubSource(MakeStubSource("Library", "Library.gs"), Zel::PString(), Folder(), &log, &library);
    fs::remove(folder);
    if (!absent)
        fs::rename(aside, folder);
    EXPECT_EQ(outcome, StubOutcome::SourceUnwritable);
    EXPECT_EQ(library, nullptr);
    ASSERT_GT(log.LineCount(), 0u);
    EXPECT_NE(std::string(log.Line(0)).find(StubSourceName), std::string::npos);
}

// The source has one shared name: compiles of several threads' texts each
// load, and no source is left behind.
TEST_F(StubCompile, StubsCompiledFromSeveralThreadsAllLoad)
{
    std::vector<int> failures(3, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                GSCompileLog log;
                GSRuntime::GSLibrary* library = nullptr;
                const std::string text =
                    MakeStubSource("Library", "Library.gs") + "// thread " + std::to_string(t) + "\n";
                if (CompileStubSource(text, Zel::PString(), Folder(), &log, &library) != StubOutcome::Loaded ||
                    GSRuntime::GSLibrary::FindClass(library, StubClassName) == nullptr)
                    ++failures[size_t(t)];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(3, 0));
    EXPECT_FALSE(fs::exists(StubPath(StubSourceName)));
    EXPECT_FALSE(fs::exists(StubPath(StubLibraryName)));
    // A broken text fails as a compile, not as a write.
    GSCompileLog log;
    GSRuntime::GSLibrary* library = nullptr;
    EXPECT_EQ(
        CompileStubSource("class CustomObject isclass NoSuchBase {};\n", Zel::PString(), Folder(), &log, &library),
        StubOutcome::CompileFailed);
    EXPECT_FALSE(fs::exists(StubPath(StubSourceName)));
}

}  // namespace
