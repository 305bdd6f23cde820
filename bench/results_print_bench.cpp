// Benchmark: PrintResultsLog over 100,000 lines against an fwrite of the same bytes, in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>
#include <string>

#include "results/results_log.h"
#include "soup/korvel_property.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int LineCount = 100000;
constexpr int Rounds = 5;

double Milliseconds(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main()
{
    ResultsLog log;
    for (int i = 0; i < LineCount; ++i) {
        std::string text = "Unable to find texture 'body" + std::to_string(i) + ".texture' in the asset folder.";
        KUID id(100000 + i % 1000, i, i % 3);
        if (i % 4 == 0)
            log.AddMessage(ResultsLog::MessageKind::Warning, text.c_str());
        else
            log.AddAssetMessage(ResultsLog::MessageKind::Error, id, text.c_str());
    }

    // The peer writes exactly what the printer writes, prepared in advance
    // and written line by line, as any printer of lines must.
    char* printed = nullptr;
    size_t printedSize = 0;
    std::FILE* memory = open_memstream(&printed, &printedSize);
    PrintResultsLogTo(log, memory);
    std::fclose(memory);
    std::vector<std::pair<const char*, size_t>> lines;
    for (size_t start = 0; start < printedSize;) {
        const char* end = static_cast<const char*>(std::memchr(printed + start, '\n', printedSize - start));
        size_t length = end != nullptr ? size_t(end - (printed + start)) + 1 : printedSize - start;
        lines.emplace_back(printed + start, length);
        start += length;
    }

    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink == nullptr)
        return 1;
    double ours = 1e300;
    double peer = 1e300;
    for (int round = 0; round < Rounds; ++round) {
        auto start = Clock::now();
        PrintResultsLogTo(log, sink);
        std::fflush(sink);
        ours = std::min(ours, Milliseconds(start));

        start = Clock::now();
        for (const auto& [text, length] : lines)
            std::fwrite(text, 1, length, sink);
        std::fflush(sink);
        peer = std::min(peer, Milliseconds(start));
    }
    std::fclose(sink);
    std::free(printed);
    std::printf(
        "PrintResultsLog, %d lines: ours %.2f ms, fwrite of the same %zu bytes line by line %.2f ms, ratio %.2f\n",
        LineCount, ours, printedSize, peer, ours / peer);
    return 0;
}
