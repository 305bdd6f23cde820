// compresstexture: converts the texture sources of a folder into compressed textures.
#include "app/commands.h"

int CommandCompressTexture(ResultsLog& log, const Zel::PString& /*folderPath*/)
{
    return ReportCommandNotAvailable(log, "compresstexture");
}
