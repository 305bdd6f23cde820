// Fuzz target: the text soup reader on arbitrary bytes, then every read and both writers.
#include <cstddef>
#include <cstdint>

#include "soup_fuzz_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TBuffer input;
    input.Write(data, int64_t(size));
    input.Rewind();
    SoupHandle soup;
    ReadTextSoup(soup, input, false);
    SoupFuzz::Walk(soup, 0);
    SoupFuzz::WriteAndReload(soup);
    return 0;
}
