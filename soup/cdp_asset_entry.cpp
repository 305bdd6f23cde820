// CDPAssetEntry: the entry soup of one archived asset and its typed reads.
#include "soup/cdp_asset_entry.h"

#include "soup/archive_names.h"

CDPAssetEntry::CDPAssetEntry()
{
    soup.SetNamedTag(ArchiveNames().compression, ArchiveNames().lzss);
}

CDPAssetEntry::CDPAssetEntry(const SoupHandle& entrySoup) : soup(entrySoup) {}

SoupHandle CDPAssetEntry::GetFilesSoup() const
{
    return soup.GetNamedSoup(ArchiveNames().files);
}

Zel::PString CDPAssetEntry::GetCompression() const
{
    return soup.GetNamedTag(ArchiveNames().compression);
}

KUID CDPAssetEntry::GetKUID() const
{
    return soup.GetNamedTagAsKUID(ArchiveNames().kuid, NullKUID);
}

bool CDPAssetEntry::HasKUID() const
{
    return !GetKUID().IsNull();
}
