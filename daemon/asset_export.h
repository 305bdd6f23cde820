// An asset as an archive entry: config tags, "kuid", its files LZSS-coded, "compression" and "dsid".
#pragma once

#include <string>

#include "soup/soup_handle.h"

class KUID;

// Builds the entry from the asset folder. Every file but the top-level
// config.txt and config.chump goes into "files" as a uint32 length and the
// level-5 LZSS stream. False with a reason when a file cannot be read or
// the files exceed what an entry can hold.
bool KADExportAssetFolder(const std::string& folder, const SoupHandle& config, const KUID& id, SoupHandle& entry,
                          std::string& error);
