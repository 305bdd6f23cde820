// Fuzz target: arbitrary bytes read as an asset config, in the text and the binary form, within the config limits.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "soup/asset_config_file.h"
#include "soup_fuzz_walk.h"

namespace {

std::string ScratchRoot()
{
    const char* base = getenv("TMPDIR");
    return std::string(base && *base ? base : "/tmp") + "/config-fuzz-" + std::to_string(getpid());
}

void RemoveScratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(ScratchRoot(), ignored);
}

void ReadAs(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return;
    fwrite(data, 1, size, file);
    fclose(file);
    SoupHandle config;
    std::string error;
    // A config that passes is walked whole: the limits keep that bounded.
    if (LoadAssetConfigFile(config, path.c_str(), nullptr, error))
        SoupFuzz::Walk(config, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string root = ScratchRoot();
    static const bool cleanup = std::atexit(RemoveScratch) == 0;
    (void)cleanup;
    std::error_code ignored;
    std::filesystem::create_directories(root, ignored);
    ReadAs(root + "/config.txt", data, size);
    ReadAs(root + "/config.chump", data, size);
    return 0;
}
