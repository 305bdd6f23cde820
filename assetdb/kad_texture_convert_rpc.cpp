// KADTextureConvertFileRPC: request 181.
#include "assetdb/kad_texture_convert_rpc.h"

#include "assetdb/kad_request_buffers.h"

bool KADTextureConvertFileRPC::QueryCompressorFlag()
{
    KADRequestBuffers buffers;
    if (!buffers.Send(KadAssetRequestCode::QueryCompressorFlag))
        return true;
    return buffers.reply.ReadBool(true);
}
