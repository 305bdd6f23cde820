// KADTextureConvertFileRPC: QueryCompressorFlag.
#include "assetdb/kad_texture_convert_rpc.h"

#include "assetdb/kad_request_buffers.h"

bool KADTextureConvertFileRPC::QueryCompressorFlag()
{
    KADRequestBuffers buffers;
    if (!buffers.Send(KADRequestCode::QueryCompressorFlag))
        return true;
    return buffers.reply.ReadBool(true);
}
