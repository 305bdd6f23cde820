// The gsrun harness as outside checks drive it: a real process whose output
// lines are a contract. Every source of the test corpus that compiles must
// load and link with result 0 and leave nothing alive.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "support/file_text.h"
#include "support/scratch_tmpfs.h"
#include "support/temp_folder.h"

extern char** environ;

namespace {

struct GsrunRun {
    int exitCode = -1;
    std::vector<std::string> lines;  // stdout
    std::string errors;              // stderr
};

GsrunRun RunGsrun(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnvironment = {})
{
    KorvelTest::TempFolder tree;
    const std::string out = tree / "out";
    const std::string err = tree / "err";
    std::vector<std::string> words = {KORVEL_GSRUN};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    GsrunRun run;
    pid_t pid = 0;
    std::vector<std::string> environment = extraEnvironment;
    for (char** variable = environ; *variable != nullptr; ++variable)
        environment.push_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream lines(KorvelTest::ReadFileText(out));
    for (std::string line; std::getline(lines, line);)
        run.lines.push_back(line);
    run.errors = KorvelTest::ReadFileText(err);
    return run;
}

// The lines that are not script log lines.
std::vector<std::string> Contract(const GsrunRun& run)
{
    std::vector<std::string> lines;
    for (const std::string& line : run.lines) {
        if (line.rfind("LOG ", 0) != 0)
            lines.push_back(line);
    }
    return lines;
}

std::string FirstClass(const std::string& path)
{
    static const std::regex declaration(R"((?:^|\n)\s*(?:(?:final|static|secured|game)\s+)*class\s+([A-Za-z_]\w*))");
    const std::string text = KorvelTest::ReadFileText(path);
    std::smatch match;
    return std::regex_search(text, match, declaration) ? match[1].str() : std::string("None");
}

TEST(Gsrun, EveryCorpusSourceThatCompilesLoadsWithResultZero)
{
    std::vector<std::string> sources;
    for (const char* root : {KORVEL_TESTS_DIR, KORVEL_FUZZ_CORPUS_DIR "/script_compile",
                             KORVEL_FUZZ_CORPUS_DIR "/script_front_end", KORVEL_FUZZ_CORPUS_DIR "/gsl_writer"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (entry.is_regular_file() && entry.path().extension() == ".gs")
                sources.push_back(entry.path().string());
        }
    }
    // Sources that must compile; the others may be compile-error fixtures.
    const std::vector<std::string> mustLoad = {"train.gs",     "vehicle.gs", "dump_main.gs",
                                               "dump_base.gs", "counter.gs", "natives.gs",
                                               "hierarchy.gs", "shapes.gs",  "statements.gs"};
    int loaded = 0;
    for (const std::string& source : sources) {
        const GsrunRun run = RunGsrun({source, FirstClass(source)});
        const std::vector<std::string> lines = Contract(run);
        const std::string name = std::filesystem::path(source).filename().string();
        ASSERT_FALSE(lines.empty()) << source << "\n" << run.errors;
        EXPECT_EQ(lines.back(), "LIVE 0") << source;
        const bool hasLoad = lines.size() >= 2 && lines[0].rfind("LOAD ", 0) == 0;
        if (hasLoad) {
            EXPECT_EQ(lines[0], "LOAD 0") << source << "\n" << run.errors;
            ++loaded;
        } else {
            EXPECT_NE(run.exitCode, 0) << source;
            EXPECT_FALSE(run.errors.empty()) << source;
        }
        if (std::find(mustLoad.begin(), mustLoad.end(), name) != mustLoad.end()) {
            EXPECT_TRUE(hasLoad) << source << "\n" << run.errors;
        }
    }
    EXPECT_GE(loaded, int(mustLoad.size()));
}

TEST(Gsrun, CallsPrintTheirResultsAndLiveIsZero)
{
    const std::string natives = std::string(KORVEL_TESTS_DIR) + "/script/vm/corpus/natives.gs";
    const GsrunRun run =
        RunGsrun({"--seed", "1", natives, "Math", "--call", "$int@Math::Rand(int,int)", "--int", "0", "--int", "100",
                  "--call", "$float@Math::Sqrt(float)", "--float", "4", "--call", "$int@Math::Missing()"});
    EXPECT_EQ(Contract(run), (std::vector<std::string>{"LOAD 0", "CALL $int@Math::Rand(int,int) -> ok 37",
                                                       "CALL $float@Math::Sqrt(float) -> ok 2",
                                                       "CALL $int@Math::Missing() -> fail", "LIVE 0"}));
    EXPECT_EQ(run.exitCode, 1);

    const GsrunRun strings =
        RunGsrun({natives, "Str", "--call", "$int@Str::Find(string,string,int)", "--str", "a,b,x", "--str", "x",
                  "--int", "0", "--call", "$string@Str::UnpackString(string)", "--str", "  word rest", "--call",
                  "$string@Str::UnpackString(string)", "--null"});
    EXPECT_EQ(Contract(strings),
              (std::vector<std::string>{"LOAD 0", "CALL $int@Str::Find(string,string,int) -> ok 4",
                                        "CALL $string@Str::UnpackString(string) -> ok \"word\"",
                                        "CALL $string@Str::UnpackString(string) -> ok null", "LIVE 0"}));
    EXPECT_EQ(strings.exitCode, 0);

    const GsrunRun named = RunGsrun({natives, "Caller", "--call", "$string@GSObject::GetGSClassName()"});
    EXPECT_EQ(Contract(named), (std::vector<std::string>{
                                   "LOAD 0", "CALL $string@GSObject::GetGSClassName() -> ok \"Caller\"", "LIVE 0"}));
    EXPECT_EQ(named.exitCode, 0);
}

TEST(Gsrun, ScriptLogLinesComeAsLogLines)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("lamp.gs", "class Lamp { public native void Glow(int level); };\n");
    const GsrunRun run = RunGsrun({tree / "lamp.gs", "Lamp"});
    EXPECT_EQ(run.lines, (std::vector<std::string>{"LOG Could not resolve native link $void@Lamp::Glow(int)", "LOAD 0",
                                                   "LIVE 0"}));
    EXPECT_EQ(run.exitCode, 0);
}

TEST(Gsrun, FailuresEndWithANonZeroExitAndAReason)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("broken.gs", "class Broken { int speed };\n");
    tree.MakeFile("fine.gs", "class Fine { int speed; };\n");
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        std::vector<std::string> contract;
        int exitCode;
        const char* reason;
    };
    const Case cases[] = {
        {"no class", {tree / "fine.gs"}, {}, 2, "usage: gsrun"},
        {"an unknown option", {"--what", tree / "fine.gs", "Fine"}, {}, 2, "usage: gsrun"},
        {"a source that does not compile", {tree / "broken.gs", "Broken"}, {"LIVE 0"}, 1, "broken.gs(1) : "},
        {"a class the library lacks", {tree / "fine.gs", "Nothing"}, {"LOAD 0", "LIVE 0"}, 1, "no class Nothing"},
        {"a missing source", {tree / "absent.gs", "A"}, {"LIVE 0"}, 1, "absent.gs"},
        {"a call without a signature", {tree / "fine.gs", "Fine", "--call"}, {}, 2, "usage: gsrun"},
    };
    for (const Case& c : cases) {
        const GsrunRun run = RunGsrun(c.arguments);
        EXPECT_EQ(Contract(run), c.contract) << c.what;
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what;
        EXPECT_NE(run.errors.find(c.reason), std::string::npos) << c.what << ": " << run.errors;
    }
}

// A work folder on a file system that fills up: the libraries cannot be
// written, and gsrun says so instead of loading anything.
TEST(Gsrun, AFullDiskIsAReportedFailure)
{
    KorvelTest::TempFolder tree;
    KorvelTest::ScratchTmpfs small(tree / "small", 4 << 10);
    if (!small.Mounted())
        GTEST_SKIP() << small.Reason();
    const std::string natives = std::string(KORVEL_TESTS_DIR) + "/script/vm/corpus/natives.gs";
    const GsrunRun run = RunGsrun({natives, "Caller"}, {"TMPDIR=" + small.Folder()});
    small.Unmount();
    EXPECT_EQ(Contract(run), std::vector<std::string>{"LIVE 0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("Unable to open output file"), std::string::npos) << run.errors;
}

}  // namespace

namespace {

// The instruction corpus run as outside checks run it: every instruction
// family, a thread that waits, wakes and sleeps, and the router's step.
TEST(Gsrun, TheInstructionCorpusRunsThreadsAndTheRouter)
{
    const std::string source = std::string(KORVEL_TESTS_DIR) + "/script/vm/corpus/instructions.gs";
    const GsrunRun run = RunGsrun({source,      "Station",
                                   "--call",    "$int@Station::Run()",
                                   "--call",    "$float@Station::Ratio()",
                                   "--call",    "$void@Station::Start()",
                                   "--step",    "1",
                                   "--call",    "$void@Station::Poke(string)",
                                   "--str",     "hello",
                                   "--step",    "1",
                                   "--call",    "$int@Station::Heard()",
                                   "--call",    "$void@Station::Nap()",
                                   "--step",    "2",
                                   "--dt",      "1",
                                   "--call",    "$int@Station::Napped()",
                                   "--process", "1",
                                   "--dt",      "1",
                                   "--call",    "$int@Station::Napped()",
                                   "--call",    "$void@Station::Stop()",
                                   "--step",    "1",
                                   "--dt",      "0.5",
                                   "--call",    "$string@Station::Text()"});
    EXPECT_EQ(Contract(run),
              (std::vector<std::string>{
                  "LOAD 0", "CALL $int@Station::Run() -> ok 1633", "CALL $float@Station::Ratio() -> ok 1",
                  "CALL $void@Station::Start() -> ok void", "CALL $void@Station::Poke(string) -> ok void",
                  "CALL $int@Station::Heard() -> ok 1", "CALL $void@Station::Nap() -> ok void",
                  "CALL $int@Station::Napped() -> ok 0", "CALL $int@Station::Napped() -> ok 1",
                  "CALL $void@Station::Stop() -> ok void", "CALL $string@Station::Text() -> ok \"hello\"", "LIVE 0"}))
        << run.errors;
    EXPECT_EQ(run.exitCode, 0);
}

// Each failure: the call fails with its report and the stack dump, the run
// goes on to the next call, and nothing is left alive.
TEST(Gsrun, EveryFailureIsReportedAndLeavesNothingAlive)
{
    KorvelTest::TempFolder tree;
    struct Failure {
        const char* method;
        const char* report;
    };
    const Failure failures[] = {
        {"int Div(int a) { return 1 / a; }", "ER_DivideByZero"},
        {"int Index(int a) { int[] x = new int[1]; string s = \"keep\"; x[0] = a; return x[a + 3]; }",
         "ER_ArrayOutOfBounds"},
        {"int Deep(int a) { return Deep(a + 1); }", "ER_StackOverflow"},
        {"int Spin(int a) { Holder h = new Holder(); while (true) { a++; } return a; }", "ER_Timeout"},
        {"int Null(int a) { Holder h; return h.v; }", "ER_NullReference"},
        {"int Unbound(int a) { return Missing(a); }", "ER_NativeCallError"},
        {"int Threads(int a) { int i; for (i = 0; i < 65; i++) Idle(); return 0; }", "ER_ThreadError"},
        {"int Waits(int a) { wait () { on \"Ping\", \"\": return 1; } return 0; }", "ER_ThreadError"},
        {"int Raise(int a) { SendMessage(me, null, \"x\"); return 0; }", "ER_Exception"},
    };
    std::string source = "include \"gs.gs\"\nclass Holder { public int v; public Holder me2; };\n"
                         "class Faulty isclass GameObject {\n  public native int Missing(int a);\n"
                         "  thread void Idle(void) { wait () { on \"Never\", \"\": break; } }\n";
    std::vector<std::string> arguments = {tree / "faulty.gs", "Faulty"};
    for (size_t i = 0; i < std::size(failures); ++i) {
        source += std::string("  public ") + failures[i].method + "\n";
        const std::string method = failures[i].method;
        const std::string name = method.substr(4, method.find('(') - 4);
        arguments.insert(arguments.end(), {"--call", "$int@Faulty::" + name + "(int)", "--int", "0"});
    }
    tree.MakeFile("faulty.gs", source + "};\n");
    arguments.insert(arguments.end(), {"--step", "2", "--dt", "0.1"});
    const GsrunRun run = RunGsrun(arguments);
    std::vector<std::string> expected = {"LOAD 0"};
    for (size_t i = 0; i < std::size(failures); ++i) {
        const std::string method = failures[i].method;
        expected.push_back("CALL $int@Faulty::" + method.substr(4, method.find('(') - 4) + "(int) -> fail");
    }
    expected.push_back("LIVE 0");
    EXPECT_EQ(Contract(run), expected) << run.errors;
    EXPECT_EQ(run.exitCode, 1);
    for (size_t i = 0; i < std::size(failures); ++i) {
        const std::string report = std::string("LOG Thread Exception: ") + failures[i].report + ", line " +
                                   std::to_string(6 + i) + ", file faulty.gs";
        EXPECT_TRUE(std::find(run.lines.begin(), run.lines.end(), report) != run.lines.end()) << report;
    }
    EXPECT_TRUE(std::find(run.lines.begin(), run.lines.end(), "LOG Stack Dump...") != run.lines.end());
    EXPECT_TRUE(std::find(run.lines.begin(), run.lines.end(), "LOG GSStack overflow...") != run.lines.end());
}

}  // namespace

// The machine takes a raw word per argument: an argument of the wrong kind
// (an int for a string, which it would follow as a pointer) is refused
// before the call, and the calls around it still run.
TEST(Gsrun, ArgumentsOfTheWrongKindFailTheCallWithAReason)
{
    KorvelTest::TempFolder tree;
    tree.MakeFile("taker.gs", "class Taker\n{\n"
                              "  public string Echo(string s) { return s; }\n"
                              "  public int Twice(int n) { return n * 2; }\n"
                              "  public int Given(Taker other) { if (other) return 1; return 0; }\n"
                              "};\n");
    struct Case {
        const char* signature;
        std::vector<std::string> arguments;
        const char* reason;  // empty: the call succeeds
        const char* result;
    };
    const Case cases[] = {
        {"$string@Taker::Echo(string)", {"--int", "5"}, "argument 1 of $string@Taker::Echo(string) is string", "fail"},
        {"$string@Taker::Echo(string)", {"--float", "5"}, "--float cannot give it", "fail"},
        {"$int@Taker::Given(Taker)", {"--str", "x"}, "argument 1 of $int@Taker::Given(Taker) is Taker", "fail"},
        {"$int@Taker::Given(Taker)", {"--int", "7"}, "--int cannot give it", "fail"},
        {"$int@Taker::Twice(int)", {"--float", "2.5"}, "--float cannot give it", "fail"},
        {"$int@Taker::Twice(int)", {"--int", "1", "--int", "2"}, "takes 1 arguments, 2 given", "fail"},
        {"$int@Taker::Twice(int)", {"--int", "21"}, "", "ok 42"},
        {"$string@Taker::Echo(string)", {"--str", "hi"}, "", "ok \"hi\""},
        {"$string@Taker::Echo(string)", {"--null"}, "", "ok null"},
        {"$int@Taker::Given(Taker)", {"--null"}, "", "ok 0"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {tree / "taker.gs", "Taker", "--call", c.signature};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        // A good call after the refused one still runs on the same object.
        arguments.insert(arguments.end(), {"--call", "$int@Taker::Twice(int)", "--int", "3"});
        const GsrunRun run = RunGsrun(arguments);
        const std::string call = std::string("CALL ") + c.signature + " -> " + c.result;
        EXPECT_EQ(Contract(run),
                  (std::vector<std::string>{"LOAD 0", call, "CALL $int@Taker::Twice(int) -> ok 6", "LIVE 0"}))
            << c.signature << " " << c.arguments[0] << "\n"
            << run.errors;
        EXPECT_EQ(run.exitCode, *c.reason != '\0' ? 1 : 0) << c.signature;
        if (*c.reason != '\0') {
            EXPECT_NE(run.errors.find(c.reason), std::string::npos) << run.errors;
        }
    }
}
