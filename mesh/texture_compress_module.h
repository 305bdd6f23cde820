// Finding and opening the texture compression module the first time a texture is compressed.
#pragma once

#include <string>
#include <vector>

#include "mesh/nvtt/nvtt_module.h"

namespace TextureCompressModule {

// The places the module is looked for, in order: the "modules" folder beside
// the running program (an installed tree), then the build tree's.
std::vector<std::string> Candidates();

// The module's entry point, opened on first use and kept for the process.
// Null when no candidate opens; *error then names every place tried and why.
KorvelNvttCompressFunction Entry(std::string* error);

// Opens the first candidate that loads and is of this program's version;
// nothing is kept.
KorvelNvttCompressFunction OpenFirst(const std::vector<std::string>& candidates, std::string* error);

}  // namespace TextureCompressModule
