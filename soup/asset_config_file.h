// Reading an asset's config within the one depth and size limit every reader of configs applies.
#pragma once

#include <cstdint>
#include <string>

#include "soup/soup_handle.h"

// Containers nested below a config's root, at most. Far beyond any real
// config, and low enough that a config inside an archive (two levels
// further down) stays within the nesting every soup reader accepts: what
// one command takes, the others take too.
constexpr int kAssetConfigMaxDepth = 100;
// Bytes of a config file, or of names and values of a config in memory, at
// most: a config is read whole, several times over, by the daemon.
constexpr uint64_t kAssetConfigMaxBytes = 16u << 20;

// Loads config.txt (text form) or config.chump (binary form; the format
// word, else the extension, decides). Refuses, with a reason naming the
// file, a file above kAssetConfigMaxBytes before reading it, a text with a
// "{" or a double quote never closed or a "}" that closes nothing, a binary
// file that does not read whole, and anything CheckAssetConfigLimits
// refuses. On refusal the handle is cleared.
bool LoadAssetConfigFile(SoupHandle& config, const char* path, const char* format, std::string& error);
// The limits over a config in memory (an archive entry's): nesting depth
// and the bytes of its names and values. `what` names the config in the
// reason ("config.txt", "The config").
bool CheckAssetConfigLimits(const SoupHandle& config, const char* what, std::string& error);
