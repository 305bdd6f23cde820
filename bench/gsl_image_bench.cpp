// Benchmark: writing and reading a generated ~2 MB library image (500 classes
// x 20 methods), each against copying the same bytes in the same run.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "best_of.h"
#include "script/common/byte_buffer.h"
#include "script/common/library_image_reader.h"
#include "script/compiler/code_generation.h"
#include "script/compiler/compile_log.h"
#include "script/compiler/front_end.h"
#include "script/compiler/library_image_writer.h"

namespace {

// Chains of ten classes, each deriving from the one before, so that method
// tables and layouts have bases to copy and override.
std::string Source(int classes, int methods)
{
    std::string text;
    for (int c = 0; c < classes; ++c) {
        text += "class K" + std::to_string(c);
        if (c % 10 != 0)
            text += " isclass K" + std::to_string(c - 1);
        text +=
            " {\n  int v" + std::to_string(c) + " = " + std::to_string(c) + ";\n  string s" + std::to_string(c) + ";\n";
        for (int m = 0; m < methods; ++m) {
            const std::string n = std::to_string(m);
            text += "  public int m" + n + "(int a) {\n    int t = a * " + n +
                    ";\n    if (t > 10) { t = t - 1; } else { t = t + 2; }\n" + "    v" + std::to_string(c) + " = v" +
                    std::to_string(c) + " + t;\n    s" + std::to_string(c) + " = s" + std::to_string(c) + " + \"x" + n +
                    "\";\n    return t;\n  }\n";
        }
        text += "};\n";
    }
    return text;
}

}  // namespace

int main()
{
    GSCompileLog log;
    GSCompiler::FrontEnd front;
    if (front.CheckText("bench.gs", Source(500, 20), &log) != 0) {
        std::fprintf(stderr, "front end failed: %s\n", log.LineCount() ? log.Line(0) : "");
        return 1;
    }
    GSCompiler::GSGeneratorContext generator;
    if (!GSCompiler::GenerateCode(&generator, &front.Context())) {
        std::fprintf(stderr, "code generation failed: %s\n", log.LineCount() ? log.Line(0) : "");
        return 1;
    }
    Utils::ByteBuffer out;
    out.Init(512);
    if (!GSCompiler::WriteLibraryImage(&front.Context(), &log, "bench.gs", &out)) {
        std::fprintf(stderr, "writer failed\n");
        return 1;
    }
    const std::vector<uint8_t> bytes(out.Data(), out.Data() + out.Length());

    std::vector<uint8_t> copy(bytes.size());
    volatile uint8_t sink = 0;
    const double copying = bench::BestOf([&] {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        sink = sink + copy[bytes.size() / 2];
    });
    // Writing again over the same context gives the same image (numbering and
    // strings are already in place), so this is the writer's own cost.
    const double writing =
        bench::BestOf([&] { GSCompiler::WriteLibraryImage(&front.Context(), &log, "bench.gs", &out); });
    if (out.Length() != bytes.size() || std::memcmp(out.Data(), bytes.data(), bytes.size()) != 0) {
        std::fprintf(stderr, "second write differs\n");
        return 1;
    }
    GSImage::LibraryImage image;
    GSImage::ImageError error;
    bool ok = true;
    const double reading =
        bench::BestOf([&] { ok = ok && GSImage::ReadLibraryImage(bytes.data(), bytes.size(), &image, &error); });
    if (!ok) {
        std::fprintf(stderr, "reader refused the image: %s\n", GSImage::ImageFaultText(error.fault));
        return 1;
    }
    std::printf("image: %zu bytes, %zu classes, %zu strings\n", bytes.size(), image.classes.size(),
                image.strings.size());
    std::printf("copy   %8.3f ms\n", copying * 1e3);
    std::printf("write  %8.3f ms  ratio to copy %.1f\n", writing * 1e3, writing / copying);
    std::printf("read   %8.3f ms  ratio to copy %.1f\n", reading * 1e3, reading / copying);
    return 0;
}
