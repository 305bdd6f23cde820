// Benchmark: writing the library image of one class with 16,000 functions
// and of one with 32,000 (near the 32,767 method slots an image can hold),
// in the same run. The writer builds the class's method table twice (once
// to number the references, once to write it); its own functions come out
// of the 31-bucket member table in hash order and must be put in slot order
// without making the table quadratic. Goal: 2x / 1x <= 2.5.
#include <cstdio>
#include <string>

#include "best_of.h"
#include "script/common/byte_buffer.h"
#include "script/compiler/code_generation.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/front_end.h"
#include "script/compiler/library_image_writer.h"

namespace {

std::string OneClass(int functions)
{
    std::string text = "class Big {\n  int total;\n";
    for (int f = 0; f < functions; ++f) {
        text += "  public int f" + std::to_string(f) + "(int a) { total = total + a; return a; }\n";
    }
    text += "};\n";
    return text;
}

// Seconds to write the image of OneClass(functions); negative on failure.
double WriteSeconds(int functions)
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    GSCompiler::GSGeneratorContext generator;
    if (front.CheckText("bench.gs", OneClass(functions), &log) != 0 ||
        !GSCompiler::GenerateCode(&generator, &front.Context())) {
        std::fprintf(stderr, "compile failed: %s\n", log.LineCount() ? log.Line(0) : "");
        return -1;
    }
    Utils::ByteBuffer out;
    out.Init(1024);
    bool ok = true;
    const double seconds =
        bench::BestOf([&] { ok = ok && GSCompiler::WriteLibraryImage(&front.Context(), &log, "bench.gs", &out); }, 3);
    return ok ? seconds : -1;
}

}  // namespace

int main()
{
    const double one = WriteSeconds(16000);
    const double two = WriteSeconds(32000);
    if (one < 0 || two < 0)
        return 1;
    std::printf("image of a class with 16000 functions %7.1f ms, 32000 functions %7.1f ms, ratio 2x/1x %.2f "
                "(goal <= 2.5)\n",
                one * 1e3, two * 1e3, two / one);
    return 0;
}
