// CDPAssetEntry: one asset of a content archive, its soup and whether installing it changed its config.
#pragma once

#include "kuid/kuid.h"
#include "soup/soup_handle.h"
#include "zel/pstring.h"

// The soup holds the asset's config tags, "kuid", and the archive's own
// tags: "files" (folders as containers, files as raw-bytes tags), "dsid",
// "compression" ("LZSS" or absent) and "folder-icon".
class CDPAssetEntry {
public:
    // An entry whose soup holds only "compression" = "LZSS" (how the daemon's
    // export hands over an asset before filling the soup).
    CDPAssetEntry();
    // An entry over an existing soup (shared, not copied).
    explicit CDPAssetEntry(const SoupHandle& entrySoup);

    SoupHandle GetFilesSoup() const;
    Zel::PString GetCompression() const;
    // "kuid" read as an asset id; the null id without one.
    KUID GetKUID() const;
    bool HasKUID() const;

    SoupHandle soup;
    bool modified = false;
};
