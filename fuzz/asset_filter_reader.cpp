// Fuzz target: the search filter tree reader (the daemon reads client trees with it) and the asset-info record reader.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_asset_info.h"
#include "assetdb/kad_filter_element.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TBuffer tree;
    tree.Write(data, int64_t(size));
    tree.Rewind();
    std::unique_ptr<KADFilterElement> element(ReadFilterElement(tree));
    if (element) {
        // Whatever was read must write, print and compare without trouble.
        TBuffer written;
        WriteFilterElement(written, element.get());
        element->GetValueText();
        element->Equals(*element);
    }
    TBuffer reply;
    reply.Write(data, int64_t(size));
    reply.Rewind();
    KADAssetInfo info;
    info.Read(reply);
    info.IsBuildAtLeast(3.5f);
    return 0;
}
