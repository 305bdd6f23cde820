// Opening content archives (.cdp) and turning an archive entry into the config an installation writes.
#pragma once

#include "soup/cdp_asset_entry.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

// Loads and checks the archive ("kind" archive, as many "contents-table"
// tags as "assets", "package-version" 1). Returns an error text, empty on
// success; on failure the handle is cleared.
Zel::PString OpenArchive(SoupHandle& archive, const Zel::PString& folderName, const char* path);
// A deep copy of the entry without "files", "dsid", "compression",
// "folder-icon" and ".cache", its "kind" lower-cased and its dependencies
// merged into "kuid-table". Marks the entry modified when the config changed.
SoupHandle NormaliseAssetConfig(CDPAssetEntry& entry);
