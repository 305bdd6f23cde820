// Benchmark: the semantic pass must stay linear in the number of names. Two
// generated sources, each at 1x and 2x size, in the same run:
// - one class with 20,000 functions, each calling the one before it and
//   updating a member (member lookups and call resolution in the class's
//   31-bucket member table);
// - a file with 50,000 names: 25,000 classes, each with a member whose type
//   is the class before it (global lookups in the 61-bucket table).
// The semantic pass's time is the front end's time less the parse alone.
// Goal: 2x / 1x <= 2.5 for both.
#include <algorithm>
#include <cstdio>
#include <string>

#include "best_of.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/front_end.h"

namespace {

std::string ManyFunctions(int functions)
{
    std::string text = "class Big {\n  int total;\n  public int f0(int a) { total = total + a; return a; }\n";
    for (int f = 1; f < functions; ++f) {
        const std::string n = std::to_string(f);
        const std::string before = std::to_string(f - 1);
        text += "  public int f" + n + "(int a) { total = total + a; return f" + before + "(a + " + n + "); }\n";
    }
    text += "};\n";
    return text;
}

std::string ManyNames(int names)
{
    std::string text = "class N0 { int v; };\n";
    for (int c = 1; c < names / 2; ++c) {
        text += "class N" + std::to_string(c) + " { N" + std::to_string(c - 1) + " p; };\n";
    }
    return text;
}

// Seconds of the semantic pass over `source`; negative when it does not check cleanly.
double SemanticSeconds(const std::string& source, int runs)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    int errors = 0;
    const double check = bench::BestOf([&] { errors += front.CheckText("bench.gs", source, &log); }, runs);
    if (errors != 0) {
        std::fprintf(stderr, "front end failed: %s\n", log.LineCount() ? log.Line(0) : "");
        return -1;
    }
    const double parse = bench::BestOf([&] { errors += front.ParseOnly("bench.gs", source, &log); }, runs);
    if (errors != 0)
        return -1;
    return std::max(check - parse, 1e-9);
}

bool Measure(const char* what, std::string (*make)(int), int size)
{
    const std::string once = make(size);
    const std::string twice = make(2 * size);
    const double one = SemanticSeconds(once, 2);
    const double two = SemanticSeconds(twice, 2);
    if (one < 0 || two < 0)
        return false;
    std::printf("%-26s 1x %8.1f ms  2x %8.1f ms  ratio 2x/1x %.2f (goal <= 2.5)\n", what, one * 1e3, two * 1e3,
                two / one);
    return true;
}

}  // namespace

int main()
{
    const bool ok = Measure("class with 20000 functions", ManyFunctions, 20000) &&
                    Measure("file with 50000 names", ManyNames, 50000);
    return ok ? 0 : 1;
}
