// Texture conversion: not built yet, so every call fails with an error line.
#include "mesh/texture_conversion.h"

#include "results/results_log.h"

namespace {

// Never a silent success: a caller that asked for conversion learns that it
// did not happen.
constexpr const char* noTextureCompressor = "Texture conversion is not available in this build.";

}  // namespace

int ConvertAssetTextures(Zel::PString& error, const Zel::File::Path& /*folder*/, ResultsLog& log)
{
    error = Zel::PString(noTextureCompressor);
    log.AddMessage(ResultsLog::MessageKind::Error, noTextureCompressor);
    return 0;
}

int ConvertFolderTextures(const Zel::PString& /*assetName*/, const Zel::File::Path& /*folder*/, ResultsLog& log)
{
    log.AddMessage(ResultsLog::MessageKind::Error, noTextureCompressor);
    return 0;
}
