// compresstexture: converts the texture sources of a folder into compressed textures.
#include "app/commands.h"
#include "mesh/texture_conversion.h"
#include "zel/path.h"

int CommandCompressTexture(ResultsLog& log, const Zel::PString& folderPath)
{
    // A relative folder is taken from the program folder, where start-up
    // changed the working folder to.
    Zel::File::Path folder(folderPath.c_str());
    if (!folder.IsAbsolute()) {
        Zel::File::Path base;
        Zel::File::GetCwd(base);
        base.AddPath(folderPath.c_str());
        folder = base;
    }
    folder.Normalize();
    Zel::PString error;
    return ConvertAssetTextures(error, folder, log) == TextureConversionDone ? 0 : -1;
}
