// Building content archives (.cdp): the archive soup's layout, adding signed asset entries, the id tables, saving.
#pragma once

#include <cstdint>
#include <unordered_set>

#include "soup/cdp_asset_entry.h"
#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

class TBuffer;

// Archive operations report failure as an interned error text, empty for
// success, which callers add to their results log. The texts are the
// program's own and callers may match on them.
Zel::PString FormatArchiveError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Number of entries of "assets" (0 without it).
int32_t CountArchiveAssets(const SoupHandle& archive);
// The entry at that index of "assets", shared with the archive.
CDPAssetEntry GetArchiveAsset(const SoupHandle& archive, int32_t index);
// The index of the first entry whose "kuid" equals the id, else -1.
int32_t FindArchiveAsset(const SoupHandle& archive, const KUID& id);
// Stores the entry (shared) under its id's tag form and rebuilds the tables.
// Nothing changes on failure.
Zel::PString AddAssetToArchive(SoupHandle& archive, SoupHandle& entry);
// "contents-table", "kuid-table" (dependencies the archive does not hold
// itself), "obsolete-table", "kind" and "package-version", in that order
// after "assets".
void RebuildArchiveTables(SoupHandle& archive);
// Builds a whole archive: entries are refused with the texts and rules of
// AddAssetToArchive, but "assets" is filled in place, duplicates are found
// through an id set and the tables are rebuilt once, so an export of
// thousands of assets costs each entry once. Finish gives the bytes that
// adding the same entries one by one with AddAssetToArchive gives.
class ArchiveBuilder {
public:
    // The entry is stored (shared) under its id's tag form; nothing changes
    // on failure.
    Zel::PString Add(SoupHandle& entry);
    int32_t Count() const { return int32_t(ids_.size()); }
    // The archive: "assets" followed by the tables; the empty soup when
    // nothing was added.
    SoupHandle Finish();

private:
    SoupHandle assets_;
    std::unordered_set<KUID> ids_;
};

// Saves in the form the extension chooses (".cdp" binary).
Zel::PString WriteArchiveFile(const SoupHandle& archive, const char* path);
// The binary form, for archive and entry soups that travel in requests.
bool WriteSoupToStream(const SoupHandle& soup, TBuffer& buffer);
