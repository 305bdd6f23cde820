// Fuzz target: installing from a transfer archive file (the bytes another command host or a stranger wrote).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "results/results_log.h"
#include "assetdb/transfer_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reader works on a file: one per process, rewritten for each input
    // and removed at exit.
    struct ScratchFile {
        std::string path = "/tmp/korvel-fuzz-crak-" + std::to_string(getpid());
        ~ScratchFile() { std::remove(path.c_str()); }
    };
    static const ScratchFile scratch;
    const std::string& path = scratch.path;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    // The tag the file claims (version 1 layout), so inputs get past that check.
    uint32_t tag = 0;
    for (size_t index = 0; index < 4 && 16 + index < size; ++index)
        tag |= uint32_t(data[16 + index]) << (8 * index);
    std::vector<KUID> wanted = {KUID(100, 1, 0), KUID(100, 2, 3), KUID(-3, 4, 127)};
    ResultsLog log;
    static const Zel::PString kuidTag("kuid");
    InstallTransferArchive(tag, wanted, path.c_str(), log, [](SoupHandle& entry, ResultsLog&, int32_t) {
        return entry.GetNamedTagAsKUID(kuidTag, KUID());
    });
    return 0;
}
