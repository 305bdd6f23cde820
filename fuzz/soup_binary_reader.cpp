// Fuzz target: the "ACS$" binary soup reader on arbitrary bytes, then every read, edits and the writers.
#include <cstddef>
#include <cstdint>

#include "soup_fuzz_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TBuffer input;
    input.Write(data, int64_t(size));
    input.Rewind();
    SoupHandle soup;
    ReadBinarySoup(soup, input);
    SoupFuzz::Walk(soup, 0);
    // Changes to the loaded soup go through the overlay.
    SoupHandle first = soup.GetIndexedSoup(0);
    first.SetNamedTag(Zel::PString("fuzz"), "x");
    soup.SetNamedTagInt(soup.GetIndexedTagName(0), 7);
    SoupFuzz::Walk(soup, 0);
    SoupFuzz::WriteAndReload(soup);
    return 0;
}
