// Fuzz target: a results log read from the bytes the daemon or a command host sends.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "results/results_log.h"
#include "foundation/streams/t_buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TBuffer buffer;
    buffer.WriteBytes(data, int64_t(size));
    buffer.Rewind();
    ResultsLog log;
    log.ReadFrom(buffer);
    // What was read must write back and print without trouble.
    TBuffer again;
    log.WriteTo(again, 0);
    std::FILE* sink = std::fopen("/dev/null", "w");
    if (sink != nullptr) {
        PrintResultsLogTo(log, sink);
        std::fclose(sink);
    }
    return 0;
}
