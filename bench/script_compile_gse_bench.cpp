// Benchmark: protecting (.gse) and unprotecting a 1 MB script source against zlib level 9 on the same bytes.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <zlib.h>

#include "script/common/source_file.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kSourceSize = 1 << 20;
constexpr int kRuns = 5;

// Script-shaped text whose names, numbers and strings come from a random
// generator, so it does not repeat itself the way a generated twin would.
std::string NonRepetitiveSource(size_t size)
{
    static const char* keywords[] = {"int ", "float ", "string ", "if (", "for (", "return ", "while (", "bool "};
    static const char* operators[] = {" = ", " + ", " - ", " * ", " < ", " == ", " and ", " or "};
    uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    auto name = [&](std::string& out) {
        const int length = 3 + int(next() % 9);
        out += char('A' + next() % 26);
        for (int i = 1; i < length; ++i)
            out += "abcdefghijklmnopqrstuvwxyz_0123456789"[next() % 37];
    };
    std::string text;
    int depth = 0;
    while (text.size() < size) {
        const uint64_t choice = next() % 10;
        text.append(size_t(2 * depth + 2), ' ');
        if (choice == 0 && depth < 4) {
            text += "class ";
            name(text);
            text += "\r\n{\r\n";
            ++depth;
            continue;
        }
        if (choice == 1 && depth > 0) {
            text += "};\r\n";
            --depth;
            continue;
        }
        text += keywords[next() % 8];
        name(text);
        text += operators[next() % 8];
        if (next() % 3 == 0) {
            text += '"';
            name(text);
            text += ' ';
            name(text);
            text += '"';
        } else {
            text += std::to_string(next() % 100000);
        }
        text += ";\r\n";
    }
    text.resize(size);
    return text;
}

template <class Setup, class Work>
double Best(Setup setup, Work work)
{
    double best = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        setup();
        const auto start = Clock::now();
        work();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (seconds < best)
            best = seconds;
    }
    return best;
}

void Report(const char* what, double ours, double peer)
{
    const double megabytes = double(kSourceSize) / (1 << 20);
    std::printf("%-24s ours %8.2f MB/s   zlib -9 %8.2f MB/s   ours/peer time %.2f\n", what, megabytes / ours,
                megabytes / peer, ours / peer);
}

}  // namespace

int main()
{
    const std::string text = NonRepetitiveSource(kSourceSize);

    GSSourceFile source;
    bool ok = true;
    const double protect =
        Best([&] { source.SetText(text.data(), uint32_t(text.size())); }, [&] { ok = ok && source.Protect(); });
    const uint32_t payloadSize = source.Length();
    const double unprotect = Best(
        [&] {
            source.SetText(text.data(), uint32_t(text.size()));
            ok = ok && source.Protect();
        },
        [&] { ok = ok && source.Unprotect(); });
    ok = ok && source.Length() == text.size();

    std::vector<Bytef> deflated(compressBound(uLong(text.size())));
    uLongf deflatedSize = 0;
    const double deflate =
        Best([&] { deflatedSize = uLongf(deflated.size()); },
             [&] {
                 ok = ok && compress2(deflated.data(), &deflatedSize, reinterpret_cast<const Bytef*>(text.data()),
                                      uLong(text.size()), 9) == Z_OK;
             });
    std::vector<Bytef> inflated(text.size());
    const double inflate =
        Best([] {},
             [&] {
                 uLongf inflatedSize = uLongf(inflated.size());
                 ok = ok && uncompress(inflated.data(), &inflatedSize, deflated.data(), deflatedSize) == Z_OK &&
                      inflatedSize == text.size();
             });
    if (!ok) {
        std::fprintf(stderr, "script_compile_gse_bench: a round trip failed\n");
        return 1;
    }
    Report("protect (.gse) 1 MB", protect, deflate);
    Report("unprotect (.gse) 1 MB", unprotect, inflate);
    std::printf("size: .gse payload %.1f%% of the text, zlib -9 %.1f%%, ours/zlib size %.2f\n",
                100.0 * payloadSize / double(text.size()), 100.0 * double(deflatedSize) / double(text.size()),
                double(payloadSize) / double(deflatedSize));
    return 0;
}
