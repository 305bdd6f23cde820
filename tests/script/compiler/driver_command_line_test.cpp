// The compiler's command line: switches, the usage text, the manual, the log's destinations, the output folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "script/compiler/language_manual.h"
#include "tests/script/compiler/driver_test_support.h"

namespace {

using driver_test::ClassSource;
using driver_test::RunCompiler;

std::string Usage(const std::string& programName)
{
    return "QUELM DudoRazuzu Compiler V1.02\n\n" + programName + " returns number of compile errors\n" + programName +
           " <option> <option>..\nwhere <option> is one of the following\n\n"
           "<-d> print documentation, u might wanna pipe it to a text document =)\n"
           "<-s> silent\n"
           "<-bfilename> dump the build info (compile log) to file\n"
           "<-ppathname> output path\n"
           "<-ofilename> output library filename\n"
           "<filename> input source file\n"
           "<-ipathname> additional include path\n";
}

TEST(DriverCommandLine, WithoutASourceItPrintsTheUsageAndGives1)
{
    struct Case {
        std::vector<std::string> words;
        std::string programName;
    };
    const Case cases[] = {
        {{"/usr/bin/dudoc"}, "dudoc"},
        {{"c:\\tools\\dudoc.exe", "-s"}, "dudoc.exe"},
        {{"d:dudoc", "-c", "-t", "-l", "-", "-x"}, "dudoc"},
        // An empty entry counts as the source, and an empty source compiles nothing.
        {{"KorvelUtil", "", "-s"}, "KorvelUtil"},
        {{"KorvelUtil", "x.gs", ""}, "KorvelUtil"},
    };
    for (const Case& c : cases) {
        driver_test::CommandRun run = RunCompiler(c.words);
        EXPECT_EQ(run.result, 1) << c.words[0];
        EXPECT_EQ(run.out, Usage(c.programName)) << c.words[0];
    }
}

TEST(DriverCommandLine, DashDPrintsTheManualAndCompilesNothing)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("m.gs", ClassSource("M"));
    const std::string source = tree / "m.gs";
    const std::string manual = std::string(GSCompiler::LanguageManual()) + "\n";
    const std::vector<std::vector<std::string>> cases = {
        {"dudoc", "-d"},
        {"dudoc", source, "-d"},
        {"dudoc", "-d", source, "-p" + tree.Root() + "/"},
        {"dudoc", "-s", "-dx", "-b" + (tree / "log.txt")},
    };
    for (const auto& words : cases) {
        driver_test::CommandRun run = RunCompiler(words);
        EXPECT_EQ(run.result, 0);
        EXPECT_TRUE(run.out == manual);
    }
    EXPECT_FALSE(tree.Has("m.gsl"));
    EXPECT_FALSE(tree.Has("log.txt"));
}

TEST(DriverCommandLine, TheManualFollowsItsOutline)
{
    const std::string manual = GSCompiler::LanguageManual();
    const char* headings[] = {"QUELM GAME SCRIPT COMPILER",
                              "1.0 Introduction",
                              "2.0 The language",
                              "2.1 Comments",
                              "2.2 Keywords",
                              "2.3 Identifiers",
                              "2.4 Constants",
                              "2.5 Types",
                              "2.6 Operators",
                              "2.7 Class declaration",
                              "2.8 Function declaration",
                              "2.9 Control flow statements",
                              "2.10 Grammar",
                              "3.0 The compiler",
                              "3.0 The basics",
                              "3.1 compiler switches",
                              "4.0 The library file",
                              "5.0 The byte code",
                              "6.0 The runtime environment",
                              "6.1 The runtime stack",
                              "6.2 Script References",
                              "7.0 The Compiler source files",
                              "8.0 The runtime source files",
                              "9.0 Using QUELM DudoRazuzu"};
    size_t at = 0;
    for (const char* heading : headings) {
        const size_t found = manual.find(heading, at);
        ASSERT_NE(found, std::string::npos) << heading << " missing or out of order";
        at = found;
    }
    // Sections 4.0 to 8.0 hold only the release note.
    size_t omitted = 0;
    for (size_t from = 0; (from = manual.find("omitted for public release", from)) != std::string::npos; ++from)
        ++omitted;
    EXPECT_EQ(omitted, 6u);
    // The grammar leaves out the secured and define specifiers.
    EXPECT_NE(manual.find("declaration_specifier: KEYWORD_PUBLIC"), std::string::npos);
    EXPECT_EQ(manual.find("KEYWORD_SECURED"), std::string::npos);
    EXPECT_EQ(manual.find("KEYWORD_DEFINE"), std::string::npos);
    EXPECT_NE(manual.find("library"), std::string::npos);
}

TEST(DriverCommandLine, TheLogGoesToStandardOutputAndIsAppendedToTheBuildFile)
{
    KorvelTest::TempFolder tree;
    const std::string missing = tree / "missing.gs";
    const std::string logFile = tree / "build.log";
    const std::string line = "Could not read file (null) missing.gs.\n";
    struct Case {
        std::vector<std::string> switches;
        std::string out;
        std::string file;  // the build file after the run
    };
    const Case cases[] = {
        {{}, line, ""},
        {{"-s"}, "", ""},
        {{"-b" + logFile}, line, line},
        {{"-s", "-b" + logFile}, "", line + line},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words = {"dudoc", missing};
        words.insert(words.end(), c.switches.begin(), c.switches.end());
        driver_test::CommandRun run = RunCompiler(words);
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(tree.ReadFile("build.log"), c.file);
    }
}

TEST(DriverCommandLine, TheLibraryGoesToTheOutputFolderNamedAfterItsSource)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("src/Train.gs", ClassSource("Train"));
    tree.MakeFolder("out/sub");
    const std::string source = tree / "src/Train.gs";
    struct Case {
        std::vector<std::string> switches;
        std::string library;
    };
    const Case cases[] = {
        {{}, "src/Train.gsl"},
        {{"-p" + (tree / "out/sub/")}, "out/sub/Train.gsl"},
        // Without the final separator the last component is a file name.
        {{"-p" + (tree / "out/sub")}, "out/Train.gsl"},
        // -o names nothing: the library is named after the source.
        {{"-oOther.gsl", "-p" + (tree / "out/")}, "out/Train.gsl"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words = {"dudoc", source};
        words.insert(words.end(), c.switches.begin(), c.switches.end());
        driver_test::CommandRun run = RunCompiler(words);
        EXPECT_EQ(run.result, 0) << c.library << "\n" << run.out;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(tree.Has(c.library)) << c.library;
        std::filesystem::remove(tree / c.library);
    }
    EXPECT_FALSE(tree.Has("out/Other.gsl"));
}

TEST(DriverCommandLine, AnOutputThatCannotBeWrittenLeavesNoFile)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("m.gs", ClassSource("M"));
    tree.MakeFolder("out/m.gsl");  // a folder where the library should go
    const struct {
        std::string outputPath;
    } cases[] = {{tree / "no/such/folder/"}, {tree / "out/"}};
    for (const auto& c : cases) {
        driver_test::CommandRun run = RunCompiler({"dudoc", tree / "m.gs", "-p" + c.outputPath});
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(run.out, "Unable to open output file.\n\n");
    }
    EXPECT_FALSE(tree.Has("no"));
    EXPECT_TRUE(std::filesystem::is_directory(tree / "out/m.gsl"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree / "out"), {}), 1);
}

TEST(DriverCommandLine, CompileErrorsAreCountedAndWriteNoLibrary)
{
    KorvelTest::TempFolder tree;
    struct Case {
        const char* what;
        std::string text;
        int errors;
        std::string out;
    };
    const Case cases[] = {
        {"syntax error", "class A {\nint x\n};\n", 1, "bad.gs(3) : parse error, line 3\n"},
        {"utf-8 mark", "\xEF\xBB\xBF" + ClassSource("A"), 1,
         "'bad.gs' appears to be UTF-8 encoded, please resave as ANSI.\n"},
        {"empty file", "", 1, "bad.gs(1) : parse error, line 1\n"},
    };
    for (const Case& c : cases) {
        tree.MakeFile("Bad.gs", c.text);
        driver_test::CommandRun run = RunCompiler({"dudoc", tree / "Bad.gs"});
        EXPECT_EQ(run.result, c.errors) << c.what;
        EXPECT_EQ(run.out, c.out) << c.what;
        EXPECT_FALSE(tree.Has("Bad.gsl")) << c.what;
    }
}

}  // namespace
