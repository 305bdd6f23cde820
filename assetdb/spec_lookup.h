// Loading the PemberlynxSpec object of an asset folder's config, and the one of an asset id resolved through the daemon.
#pragma once

#include "assetdb/pemberlynx_spec.h"
#include "assetdb/pemberlynx_spec_registry.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "zel/path.h"
#include "zel/pstring.h"

// Reads "config.chump", else "config.txt", from the folder with the named
// resource database open for the duration; false when none was read (or the
// database could not be opened).
bool ReadSpecConfig(const char* databaseName, const Zel::File::Path& folder, SoupHandle& config);
// Builds the PemberlynxSpec object of an asset folder's config.
PemberlynxSpecRef LoadSpecFromConfigFile(const KUID& assetId, const Zel::PString& databaseName,
                                         const Zel::File::Path& folder, PemberlynxSpecFilter filter);
// The PemberlynxSpec object of an asset id, resolved through the daemon and remembered.
// `ignoredFlag` goes out as the config-path request's flag byte, which the daemon does not read.
PemberlynxSpecRef LookupSpecForKUID(const KUID& id, PemberlynxSpecFilter filter, bool ignoredFlag);
// Forgets every remembered resolution (the leak report calls it).
void ClearSpecResolutionMemo();
