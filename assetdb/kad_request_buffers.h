// KADRequestBuffers: the fresh request and reply buffers every daemon request wrapper builds.
#pragma once

#include <cstdint>

#include "foundation/streams/t_buffer.h"
#include "assetdb/kad_client.h"
#include "assetdb/protocol/kad_requests.h"
#include "zel/dynamic_buffer.h"

// Each request is built in a fresh buffer of the engine's usual growth (0,
// 512); the payload is sent from the start, and the reply is rewound for
// reading once it has arrived.
struct KADRequestBuffers {
    TBuffer request{new Zel::DynamicBuffer(0, 512), true};
    TBuffer reply{new Zel::DynamicBuffer(0, 512), true};

    bool Send(KADRequestCode code, KADPromptHandler* promptHandler = nullptr, ResultsLog* log = nullptr)
    {
        request.Rewind();
        bool ok = KADClient::Request(KADRequestNumber(code), request, reply, promptHandler, log);
        reply.Rewind();
        return ok;
    }
};
