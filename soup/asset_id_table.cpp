// Asset-id sets, reading and writing numbered id tables, and gathering an asset's dependencies and obsoletes.
#include "soup/asset_id_table.h"

#include <cstdio>
#include <cstring>

#include "soup/archive_names.h"
#include "soup/cdp_asset_entry.h"
#include "kuid/decimal_scan.h"

namespace {

// The single-id tags of a config that name other assets, in the order they
// join the dependencies.
const Zel::PString* DependencyTagNames(size_t& count)
{
    static const Zel::PString names[] = {
        Zel::PString("alias"),       Zel::PString("bridgetrack"),
        Zel::PString("bogey"),       Zel::PString("preview-mesh-kuid"),
        Zel::PString("map-kuid"),    Zel::PString("product-category"),
        Zel::PString("bogey-1"),     Zel::PString("bogey-1-r"),
        Zel::PString("interior"),    Zel::PString("enginespec"),
        Zel::PString("enginesound"),
    };
    count = sizeof(names) / sizeof(names[0]);
    return names;
}

// A locomotive without an interior of its own uses this default cab.
constexpr KUID kDefaultInterior{-10, 172, 127};

Zel::PString TableIndexName(int32_t number)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", number);
    return Zel::PString(text);
}

// A table name read with "%d"; a name that is no number counts as -1.
int32_t TableNameNumber(const Zel::PString& name)
{
    const char* cursor = name.c_str();
    int32_t value = 0;
    return ScanDecimalInt32(cursor, value) ? value : -1;
}

bool IsTrainCar(const SoupHandle& config)
{
    return config.GetNamedTag(ArchiveNames().kind).ToLower() == "traincar";
}

}  // namespace

bool KUIDSet::Add(const KUID& id)
{
    if (id.IsNull() || !index_.insert(id).second)
        return false;
    list_.PushBack(id);
    return true;
}

void KUIDSet::RemoveOrdered(const KUID& id)
{
    if (index_.erase(id) == 0)
        return;
    list_.EraseOrdered(list_.Find(id));
}

void KUIDSet::RemoveFast(const KUID& id)
{
    if (index_.erase(id) == 0)
        return;
    list_.Erase(list_.Find(id));
}

void KUIDSet::Clear()
{
    list_.Clear();
    index_.clear();
}

void ReadKUIDSetSoup(const SoupHandle& table, KUIDSet& set)
{
    const int32_t count = table.CountTags();
    for (int32_t index = 0; index < count; ++index)
        set.Add(table.GetNamedTagAsKUID(table.GetIndexedTagName(index), NullKUID));
}

SoupHandle WriteKUIDSetSoup(const KUIDSet& set)
{
    SoupHandle table;
    int32_t number = 0;
    for (const KUID& id : set) {
        if (!id.IsNull())
            table.SetNamedTagKUID(TableIndexName(number++), id);
    }
    return table;
}

void CollectSoupKUIDs(const SoupHandle& soup, KUIDSet& set)
{
    const int32_t count = soup.CountTags();
    for (int32_t index = 0; index < count; ++index) {
        const Zel::PString name = soup.GetIndexedTagName(index);
        switch (soup.GetNamedTagType(name)) {
        case SoupTypeText:
            set.Add(KUID::Parse(soup.GetNamedTag(name).c_str(), true));
            break;
        case SoupTypeKUID:
            set.Add(soup.GetNamedTagAsKUID(name, NullKUID));
            break;
        case SoupTypeContainer:
            CollectSoupKUIDs(soup.GetNamedSoup(name), set);
            break;
        default:
            break;
        }
    }
}

void CollectAssetDependencies(const KUID& assetId, const SoupHandle& config, KUIDSet& out)
{
    const ArchiveTagNames& names = ArchiveNames();
    KUIDSet dependencies;
    CollectSoupKUIDs(config, dependencies);
    ReadKUIDSetSoup(config.GetNamedSoup(names.kuidTable), dependencies);

    KUIDSet excluded;
    ReadKUIDSetSoup(config.GetNamedSoup(names.obsoleteTable), excluded);
    excluded.Add(assetId);

    size_t tagCount = 0;
    const Zel::PString* tags = DependencyTagNames(tagCount);
    for (size_t i = 0; i < tagCount; ++i)
        dependencies.Add(config.GetNamedTagAsKUID(tags[i], NullKUID));

    if (IsTrainCar(config) && config.GetNamedTagAsInt(names.engine, -1) == 1 &&
        config.GetNamedTagAsKUID(names.interior, NullKUID).IsNull())
        dependencies.Add(kDefaultInterior);

    for (const KUID& id : excluded)
        dependencies.RemoveOrdered(id);
    for (const KUID& id : dependencies)
        out.Add(id);
}

void CollectAssetObsoletes(const KUID& assetId, const SoupHandle& config, KUIDSet& out)
{
    const ArchiveTagNames& names = ArchiveNames();
    ReadKUIDSetSoup(config.GetNamedSoup(names.obsoleteTable), out);
    out.Add(config.GetNamedTagAsKUID(names.obsoletesKuid, NullKUID));
    out.RemoveFast(assetId);
}

void MergeKUIDTable(CDPAssetEntry& entry, SoupHandle& target, const KUIDSet& set)
{
    const Zel::PString& tableName = ArchiveNames().kuidTable;
    SoupHandle table = target.GetNamedSoup(tableName);
    const int32_t count = table.CountTags();
    if (count < 1 || set.IsEmpty()) {
        SoupHandle replacement = WriteKUIDSetSoup(set);
        target.SetNamedSoup(tableName, replacement);
        if (!set.IsEmpty())
            entry.modified = true;
        return;
    }
    int32_t highest = -1;
    for (int32_t index = 0; index < count; ++index) {
        const int32_t number = TableNameNumber(table.GetIndexedTagName(index));
        if (number > highest)
            highest = number;
    }
    KUIDSet present;
    ReadKUIDSetSoup(table, present);
    for (const KUID& id : set) {
        if (present.Contains(id))
            continue;
        highest = int32_t(uint32_t(highest) + 1u);  // "%d" names wrap as a 32-bit runtime's do
        table.SetNamedTagKUID(TableIndexName(highest), id);
        entry.modified = true;
    }
    target.SetNamedSoup(tableName, table);
}
