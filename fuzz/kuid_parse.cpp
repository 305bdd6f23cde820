// Fuzz target: the KUID text parser, both modes, and the tag form written back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "kuid/kuid.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    for (bool strict : {true, false}) {
        KUID id = KUID::Parse(text.c_str(), strict);
        // Every result obeys the range rule (the null id included)...
        Check(id.IsNull() || id.IsValid());
        // ...and its tag form reads back as the same id in lenient mode.
        char tag[KUID::TextCapacity];
        id.FormatTagString(tag);
        Check(KUID::Parse(tag, false) == id);
        // Packing keeps every id whose user fits in 25 signed bits.
        if (id.user >= -0x1000000 && id.user < 0x1000000)
            Check(KUID::Unpack(id.Pack()) == id);
    }
    return 0;
}
