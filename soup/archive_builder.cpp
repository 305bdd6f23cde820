// Building content archives: entries under "assets", the contents, dependency and obsolete tables, saving.
#include "soup/archive_builder.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "foundation/streams/t_buffer.h"
#include "soup/archive_names.h"
#include "soup/asset_id_table.h"
#include "soup/binary_soup.h"

namespace {

constexpr int32_t kPackageVersion = 1;

// Why an entry cannot be added; empty when it can.
Zel::PString RefusalFor(const KUID& id, bool present)
{
    if (id.IsNull())
        return Zel::PString("Unable to add content as it doesnt not contain a valid KUID");
    if (present)
        return FormatArchiveError("Unable to add content as an item with KUID %s is already present",
                                  id.ToTagString().c_str());
    return Zel::PString("");
}

}  // namespace

Zel::PString FormatArchiveError(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    char small[256];
    const int length = vsnprintf(small, sizeof(small), format, arguments);
    va_end(arguments);
    if (length < 0) {
        va_end(again);
        return Zel::PString("");
    }
    if (size_t(length) < sizeof(small)) {
        va_end(again);
        return Zel::PString(small, size_t(length));
    }
    std::vector<char> large(size_t(length) + 1);
    vsnprintf(large.data(), large.size(), format, again);
    va_end(again);
    return Zel::PString(large.data(), size_t(length));
}

int32_t CountArchiveAssets(const SoupHandle& archive)
{
    return archive.GetNamedSoup(ArchiveNames().assets).CountTags();
}

CDPAssetEntry GetArchiveAsset(const SoupHandle& archive, int32_t index)
{
    return CDPAssetEntry(archive.GetNamedSoup(ArchiveNames().assets).GetIndexedSoup(index));
}

int32_t FindArchiveAsset(const SoupHandle& archive, const KUID& id)
{
    const SoupHandle assets = archive.GetNamedSoup(ArchiveNames().assets);
    const int32_t count = assets.CountTags();
    for (int32_t index = 0; index < count; ++index) {
        if (CDPAssetEntry(assets.GetIndexedSoup(index)).GetKUID() == id)
            return index;
    }
    return -1;
}

Zel::PString AddAssetToArchive(SoupHandle& archive, SoupHandle& entry)
{
    const KUID id = CDPAssetEntry(entry).GetKUID();
    const Zel::PString refusal = RefusalFor(id, !id.IsNull() && FindArchiveAsset(archive, id) >= 0);
    if (!refusal.IsEmpty())
        return refusal;
    const Zel::PString& assetsName = ArchiveNames().assets;
    SoupHandle assets = archive.GetNamedSoup(assetsName);
    assets.SetNamedSoup(id.ToTagString(), entry);
    archive.SetNamedSoup(assetsName, assets);
    RebuildArchiveTables(archive);
    return Zel::PString("");
}

void RebuildArchiveTables(SoupHandle& archive)
{
    const ArchiveTagNames& names = ArchiveNames();
    KUIDSet contents;
    KUIDSet dependencies;
    KUIDSet obsoletes;
    const int32_t count = CountArchiveAssets(archive);
    for (int32_t index = 0; index < count; ++index) {
        const CDPAssetEntry entry = GetArchiveAsset(archive, index);
        const KUID id = entry.GetKUID();
        contents.Add(id);
        CollectAssetDependencies(id, entry.soup, dependencies);
        CollectAssetObsoletes(id, entry.soup, obsoletes);
    }
    // The dependencies the archive does not hold, in their order; removing
    // each held id from the list one by one would cost a list walk per asset.
    KUIDSet outside;
    for (const KUID& id : dependencies) {
        if (!contents.Contains(id))
            outside.Add(id);
    }

    SoupHandle contentsTable = WriteKUIDSetSoup(contents);
    SoupHandle dependencyTable = WriteKUIDSetSoup(outside);
    SoupHandle obsoleteTable = WriteKUIDSetSoup(obsoletes);
    archive.SetNamedSoup(names.contentsTable, contentsTable);
    archive.SetNamedSoup(names.kuidTable, dependencyTable);
    archive.SetNamedSoup(names.obsoleteTable, obsoleteTable);
    archive.SetNamedTag(names.kind, "archive");
    archive.SetNamedTagInt(names.packageVersion, kPackageVersion);
}

Zel::PString ArchiveBuilder::Add(SoupHandle& entry)
{
    const KUID id = CDPAssetEntry(entry).GetKUID();
    const Zel::PString refusal = RefusalFor(id, ids_.count(id) != 0);
    if (!refusal.IsEmpty())
        return refusal;
    assets_.SetNamedSoup(id.ToTagString(), entry);
    ids_.insert(id);
    return Zel::PString("");
}

SoupHandle ArchiveBuilder::Finish()
{
    SoupHandle archive;
    if (ids_.empty())
        return archive;
    archive.SetNamedSoup(ArchiveNames().assets, assets_);
    RebuildArchiveTables(archive);
    return archive;
}

Zel::PString WriteArchiveFile(const SoupHandle& archive, const char* path)
{
    if (!archive.SaveToFile(Zel::PString(), path))
        return Zel::PString("Unable to write archive file. Needs to be .cdp file extension");
    return Zel::PString("");
}

bool WriteSoupToStream(const SoupHandle& soup, TBuffer& buffer)
{
    WriteBinarySoup(buffer, soup);
    return true;
}
