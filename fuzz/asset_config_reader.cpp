// Fuzz target: arbitrary bytes read as an asset config, in the text and the binary form, within the config limits.
#include <cstdint>
#include <string>

#include "fuzz_scratch.h"
#include "soup/asset_config_file.h"
#include "soup_fuzz_walk.h"

namespace {

void ReadAs(const std::string& path, const uint8_t* data, size_t size)
{
    if (!FuzzScratch::WriteFile(path, data, size))
        return;
    SoupHandle config;
    std::string error;
    // A config that passes is walked whole: the limits keep that bounded.
    if (LoadAssetConfigFile(config, path.c_str(), nullptr, error))
        SoupFuzz::Walk(config, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = FuzzScratch::Folder("config");
    ReadAs(root + "/config.txt", data, size);
    ReadAs(root + "/config.chump", data, size);
    return 0;
}
