// Texture conversion of an asset folder: the entry points of compresstexture and the command host.
#pragma once

#include "zel/file.h"
#include "zel/pstring.h"

class ResultsLog;

// Value that both conversions return when every texture was converted.
constexpr int TextureConversionDone = 2;

// Converts the textures of the folder; 2 when they were converted, any other
// value is a failure whose reasons are error lines of the log. error receives
// a short failure text (empty on success).
int ConvertAssetTextures(Zel::PString& error, const Zel::File::Path& folder, ResultsLog& log);

// Converts every texture source of the folder and its sub-folders; 2 when
// every conversion succeeded, else 0, with each problem in the log.
int ConvertFolderTextures(const Zel::PString& assetName, const Zel::File::Path& folder, ResultsLog& log);
