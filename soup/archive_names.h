// The config and archive tag names the archive code reads and writes, interned once.
#pragma once

#include "zel/pstring.h"

// Interned on first use (a thread-safe static) and kept for the life of the
// process, so every lookup compares handles.
struct ArchiveTagNames {
    Zel::PString assets{"assets"};
    Zel::PString contentsTable{"contents-table"};
    Zel::PString kuidTable{"kuid-table"};
    Zel::PString obsoleteTable{"obsolete-table"};
    Zel::PString obsoletesKuid{"obsoletes-kuid"};
    Zel::PString kind{"kind"};
    Zel::PString packageVersion{"package-version"};
    Zel::PString kuid{"kuid"};
    Zel::PString files{"files"};
    Zel::PString dsid{"dsid"};
    Zel::PString compression{"compression"};
    Zel::PString folderIcon{"folder-icon"};
    Zel::PString cache{".cache"};
    Zel::PString engine{"engine"};
    Zel::PString interior{"interior"};
    // The one compression the reader knows; compared as the same interned
    // text, so "lzss" is not it.
    Zel::PString lzss{"LZSS"};
};

inline const ArchiveTagNames& ArchiveNames()
{
    static const ArchiveTagNames names;
    return names;
}
