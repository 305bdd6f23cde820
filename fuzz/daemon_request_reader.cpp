// Fuzzes the daemon's parser of client bytes: handshake, request frames, closing word.
#include <cstddef>
#include <cstdint>

#include "assetdb/protocol/kad_request_reader.h"

// The first byte picks the slice size, so the same input also exercises
// messages split across reads at every offset.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::size_t step = data[0] == 0 ? 1 : data[0];
    ++data;
    --size;
    KADRequestReader reader;
    std::size_t at = 0;
    while (at < size) {
        std::size_t slice = size - at < step ? size - at : step;
        std::size_t consumed = 0;
        KADReaderEvent event = reader.Feed(data + at, slice, consumed);
        if (event == KADReaderEvent::Error)
            return 0;
        if (consumed == 0 && event == KADReaderEvent::NeedMore)
            return 0;  // cannot happen: NeedMore takes every byte given
        at += consumed;
        if (event == KADReaderEvent::Request && reader.Request().payload.size() > (1u << 30))
            __builtin_trap();
    }
    return 0;
}
