// Fuzz target: the ".texture" reader on any bytes; a file it accepts holds exactly the levels and bytes its header claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "zel/texture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    Zel::TextureFileContents contents;
    std::string error;
    if (!Zel::ParseTextureFile(bytes, contents, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    if (contents.mips.size() != uint64_t(contents.header.depth) * contents.header.mipCount)
        std::abort();
    for (const Zel::TextureFileMip& mip : contents.mips) {
        if (mip.bytes.size() != Zel::TextureLevelBytes(contents.header.format, mip.width, mip.height))
            std::abort();
    }
    return 0;
}
