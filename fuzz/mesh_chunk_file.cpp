// Fuzz target: the JIRF header, chunk heads, peeks and padded strings over any bytes; reads stay inside the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "zel/jirf.h"
#include "zel/memory_file.h"
#include "zel/mesh_file_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Zel::MemoryFile file;
    file.Open(std::vector<uint8_t>(data, data + size));
    Zel::JIRFHeader header;
    if (!Zel::JIRFReadHeader(file.Data(), file.Size(), file.PositionRef(), header))
        return 0;
    // Walk the chunks as a generic reader would, resynchronising by the size.
    while (file.Left() > 0) {
        size_t before = file.Position();
        uint32_t tag = 0;
        if (!file.Read(tag))
            break;
        file.SetPosition(static_cast<int64_t>(before));
        Zel::JIRFChunkHead head = Zel::JIRFReadChunkHead(file.Data(), file.Size(), file.PositionRef(), tag);
        if (!head.sizeRead || !head.versionRead)
            break;
        std::string text;
        Zel::MeshFileSupport::ReadPaddedString(file, head.End(), text);
        if (text.size() > size || file.Position() > file.Size())
            std::abort();
        Zel::JIRFPeekChunk(file.Data(), file.Size(), file.PositionRef(), Zel::JIRFTag("NINF"));
        file.SetPosition(head.End());
        if (file.Position() <= before)
            break;
    }
    return 0;
}
