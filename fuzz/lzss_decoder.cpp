// Fuzz target: LZSS streams decoded into a bounded block, and the input itself compressed and read back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "zel/lzss_compress.h"

namespace {
// Bounds what a hostile stream may produce (a Huffman stream can expand
// about 2000-fold); the decoder must stop at the full block.
constexpr size_t kOutputLimit = 1 << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::vector<uint8_t> output(kOutputLimit);
    Zel::LZSSCompress coder;
    coder.DecompressBlock(output.data(), output.size(), data, size);

    if (size == 0)
        return 0;
    // Round trip: the first byte picks the level, the rest is the input.
    const int level = data[0] % 11;
    std::vector<uint8_t> stream(size);
    const size_t written = coder.CompressBlock(stream.data(), stream.size(), data + 1, size - 1, level);
    if (written == 0)
        abort();
    std::vector<uint8_t> back(size);
    const size_t produced = coder.DecompressBlock(back.data(), back.size(), stream.data(), written);
    if (produced != size - 1 || (produced > 0 && memcmp(back.data(), data + 1, produced) != 0))
        abort();
    return 0;
}
