// Benchmark: code generation of a generated ~2.4 MB source (200 classes x 50
// functions of ~13 lines) against the front end over the same source in the
// same run, and byte-buffer appends against std::vector appends.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "script/common/byte_buffer.h"
#include "script/compiler/code_generation.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/front_end.h"

namespace {

using Clock = std::chrono::steady_clock;

template <class Work>
double Best(Work work, int runs = 5)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// Each function: a local, a for loop, if/else, arithmetic, a member update
// and a string concatenation.
std::string Source(int classes, int functions)
{
    std::string text;
    for (int c = 0; c < classes; ++c) {
        const std::string k = std::to_string(c);
        text += "class K" + k + " {\n  int total;\n  string name;\n";
        for (int f = 0; f < functions; ++f) {
            const std::string n = std::to_string(f);
            text += "  public int f" + n + "(int a, float b) {\n    int t = a * " + n + ";\n    int i;\n" +
                    "    for (i = 0; i < a; i++) {\n      if (i % 3 == 0) {\n        t = t + i;\n      } else {\n" +
                    "        t = t - 1;\n      }\n    }\n    total = total + t;\n    b = b * 2.5;\n" +
                    "    name = name + \"f" + n + "\" + t;\n    return t;\n  }\n";
        }
        text += "};\n";
    }
    return text;
}

}  // namespace

int main()
{
    const std::string source = Source(200, 50);
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    int errors = 0;
    const double frontEnd = Best([&] { errors = front.CheckText("bench.gs", source, &log); }, 3);
    if (errors != 0) {
        std::fprintf(stderr, "front end failed: %s\n", log.LineCount() ? log.Line(0) : "");
        return 1;
    }
    GSCompiler::GSGeneratorContext generator;
    bool ok = true;
    // Generation may run again over the same checked tree: it drops the
    // classes of the run before.
    const double generation = Best([&] { ok = ok && GSCompiler::GenerateCode(&generator, &front.Context()); });
    if (!ok) {
        std::fprintf(stderr, "code generation failed: %s\n", log.LineCount() ? log.Line(0) : "");
        return 1;
    }

    const size_t bytes = size_t(8) << 20;
    size_t checksum = 0;
    const double vector = Best([&] {
        std::vector<uint8_t> out;
        for (size_t i = 0; i < bytes; ++i)
            out.push_back(static_cast<uint8_t>(i));
        checksum += out[bytes / 2 + 7];
    });
    const double buffer = Best([&] {
        Utils::ByteBuffer out;
        out.Init(1024);
        for (size_t i = 0; i < bytes; ++i)
            out.WriteU8(static_cast<uint8_t>(i));
        checksum += out.Data()[bytes / 2 + 7];
    });

    std::printf("source: %zu bytes\n", source.size());
    std::printf("front end        %8.1f ms\n", frontEnd * 1e3);
    std::printf("code generation  %8.1f ms  ratio to front end %.2f  (%.1f ns per source byte)\n", generation * 1e3,
                generation / frontEnd, generation * 1e9 / double(source.size()));
    std::printf("vector appends   %8.1f ms  (8 MB, one byte each)\n", vector * 1e3);
    std::printf("buffer appends   %8.1f ms  ratio to vector %.2f  (checksum %zu)\n", buffer * 1e3, buffer / vector,
                checksum);
    return 0;
}
