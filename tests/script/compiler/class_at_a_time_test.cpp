// A compile that checks and generates each class as soon as it is parsed
// says and writes what the whole-tree front end followed by code generation
// says and writes: the same messages in the same order, the same library.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "script/common/byte_buffer.h"
#include "script/compiler/code_generation.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/compiler_driver.h"
#include "script/compiler/front_end.h"
#include "script/compiler/include_dirs.h"
#include "script/compiler/library_image_writer.h"
#include "script/compiler/symbols.h"
#include "support/temp_folder.h"

namespace {

struct Outcome {
    std::vector<std::string> messages;
    std::vector<uint8_t> image;
};

std::vector<std::string> Lines(GSCompileLog* log)
{
    std::vector<std::string> lines;
    const char* line = nullptr;
    while (log->TakeLine(&line))
        lines.push_back(line);
    return lines;
}

// The compiler's own path: CompileToFile on main.gs of the folder.
Outcome ClassAtATime(const KorvelTest::TempFolder& tree)
{
    GSCompiler::GSCIncludeDirList& dirs = GSCompiler::IncludeDirs();
    GSCompiler::ClearIncludeDirs(dirs);
    dirs.push_back(GSCIncludeDir(Zel::File::Path(tree.Root().c_str()), Zel::PString()));
    GSCompileLog log;
    const std::string output = tree / "main.gsl";
    const int errors = GSCompiler::CompileToFile(&log, "main.gs", output.c_str());
    GSCompiler::ClearIncludeDirs(dirs);
    Outcome outcome;
    outcome.messages = Lines(&log);
    if (errors == 0) {
        std::ifstream file(output, std::ios::binary);
        outcome.image.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return outcome;
}

// The whole tree first, then code generation over it, then the image.
Outcome WholeTree(const KorvelTest::TempFolder& tree)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    Outcome outcome;
    if (front.CheckFile((tree / "main.gs").c_str(), &log) == 0) {
        GSCompiler::GSGeneratorContext generator;
        Utils::ByteBuffer image;
        image.Init(1024);
        if (!GSCompiler::GenerateCode(&generator, &front.Context())) {
            log.AddLine("\nInternal Code Generation Error...");
        } else if (GSCompiler::WriteLibraryImage(&front.Context(), &log, "main.gs", &image)) {
            outcome.image.assign(image.Data(), image.Data() + image.Length());
        }
        front.Context().compiledClasses.DeleteAll();
    }
    outcome.messages = Lines(&log);
    return outcome;
}

TEST(ClassAtATime, SaysAndWritesWhatTheWholeTreeCompileDoes)
{
    struct Case {
        const char* what;
        const char* main;
        const char* base;  // base.gs beside it, or null
        bool compiles;
    };
    const Case cases[] = {
        // Code generation names A and C before the check of C names B: B
        // still comes first, as when the check has seen every class.
        {"classes named by code generation before a later check names another",
         "class A { public int f() { return 1; } };\n"
         "class B { public int g() { return 2; } };\n"
         "class C { public int h(B b) { B o = new B(); return b.g() + o.g(); } };\n",
         nullptr, true},
        {"an include, casts and strings",
         "include \"base.gs\"\n"
         "class Cast isclass Base { public string s(Base b) { Cast c = cast<Cast>b; return \"x\" + c.v; } };\n"
         "class Last { public int n() { Cast c = new Cast(); return c.v; } };\n",
         "class Base { public int v = 3; };\n", true},
        {"a parse error after a class with a check error and a missing include: the parse error alone",
         "include \"missing.gs\"\nclass A { public int f() { return x; } };\nclass B { int v };\n", nullptr, false},
        {"a generation error before a check error: the check error alone",
         "class A { public int f(); };\nclass B { public int g() { return y; } };\n", nullptr, false},
        {"a generation error alone", "class A { public int f(); };\nclass B { public int g() { return 1; } };\n",
         nullptr, false},
        {"a check that stops at a redeclared class says nothing of the classes after it",
         "class A { };\nclass A { };\nclass B { public int g() { return z; } };\n", nullptr, false},
        {"an include that does not parse: its error and nothing of the main file's checks",
         "include \"base.gs\"\nclass A { public int f() { return q; } };\n", "class Base { int v };\n", false},
    };
    for (const Case& c : cases) {
        KorvelTest::TempFolder tree;
        tree.MakeFile("main.gs", c.main);
        if (c.base != nullptr)
            tree.MakeFile("base.gs", c.base);
        const Outcome streamed = ClassAtATime(tree);
        const Outcome whole = WholeTree(tree);
        EXPECT_EQ(streamed.messages, whole.messages) << c.what;
        EXPECT_EQ(streamed.image, whole.image) << c.what;
        EXPECT_EQ(!streamed.image.empty(), c.compiles) << c.what;
        EXPECT_EQ(streamed.messages.empty(), c.compiles)
            << c.what << ": " << (streamed.messages.empty() ? "" : streamed.messages[0]);
    }
}

}  // namespace
