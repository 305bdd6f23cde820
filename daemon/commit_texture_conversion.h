// Commit's texture conversion: an edit copy with texture sources is converted by a command host before it is committed.
#pragma once

#include <string>

#include "kuid/kuid.h"

struct KADRequestContext;

// True when the folder or a folder below it holds a texture source (a name
// ending in ".texture.txt", case ignored). Symbolic links are not followed.
bool KADHasTextureSources(const std::string& folder);

// Asks a command host to convert the textures of the asset's edit folder
// (question 1: store "editing", the folder relative to it) and passes the
// host's lines on to the requester, each naming the asset. True when every
// texture was converted; false after an error line when the host says
// otherwise or no answer came.
bool KADConvertEditTextures(KADRequestContext& context, const KUID& id, const std::string& userDataRoot,
                            const std::string& editFolder);
