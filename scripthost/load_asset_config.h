// LoadAssetConfig: an asset folder's config, read with its resource database open.
#pragma once

#include "soup/soup_handle.h"
#include "zel/path.h"

// Opens the named resource database for the call (none for a null or empty
// name; a failed open gives false), then reads "config.chump" from the
// folder, else "config.txt". True with the config when one was read.
bool LoadAssetConfig(const char* databaseName, const Zel::File::Path& folder, SoupHandle& config);
