// Asset-id sets and tables: reading, writing, merging, and an asset's dependencies and obsoletes.
#include <gtest/gtest.h>

#include "archive_test_support.h"
#include "soup/asset_id_table.h"
#include "soup/cdp_asset_entry.h"

using namespace ArchiveTest;

namespace {

std::vector<KUID> Ids(const KUIDSet& set)
{
    std::vector<KUID> ids;
    for (const KUID& id : set)
        ids.push_back(id);
    return ids;
}

Zel::PString Name(const char* text)
{
    return Zel::PString(text);
}

}  // namespace

TEST(KUIDSet, KeepsInsertionOrderAndRemovesBothWays)
{
    KUIDSet set;
    EXPECT_TRUE(set.Add(KUID(1, 1, 0)));
    EXPECT_FALSE(set.Add(NullKUID));
    EXPECT_TRUE(set.Add(KUID(2, 2, 0)));
    EXPECT_TRUE(set.Add(KUID(3, 3, 0)));
    EXPECT_TRUE(set.Add(KUID(4, 4, 0)));
    EXPECT_FALSE(set.Add(KUID(2, 2, 0)));
    set.RemoveOrdered(KUID(2, 2, 0));
    EXPECT_EQ(Ids(set), (std::vector<KUID>{{1, 1, 0}, {3, 3, 0}, {4, 4, 0}}));
    set.RemoveFast(KUID(1, 1, 0));
    EXPECT_EQ(Ids(set), (std::vector<KUID>{{4, 4, 0}, {3, 3, 0}}));
    EXPECT_FALSE(set.Contains(KUID(1, 1, 0)));
    EXPECT_EQ(set.Count(), 2);
}

TEST(AssetIdTable, ReadTableValuesLeniently)
{
    SoupHandle table;
    table.SetNamedTag(Name("0"), "<kuid:1:2>");
    table.SetNamedTagKUID(Name("1"), KUID(3, 4, 0));
    table.SetNamedTagInt(Name("x"), 7);
    table.SetNamedTag(Name("3"), "<kuid:1:2>");
    KUIDSet set;
    ReadKUIDSetSoup(table, set);
    EXPECT_EQ(Ids(set), (std::vector<KUID>{{1, 2, 0}, {3, 4, 0}, {-1, 7, 127}}));
}

TEST(AssetIdTable, WriteNumbersTheIds)
{
    KUIDSet set;
    set.Add(KUID(1, 2, 0));
    set.Add(NullKUID);
    set.Add(KUID(3, 4, 0));
    const SoupHandle table = WriteKUIDSetSoup(set);
    EXPECT_EQ(TagNames(table), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(table.GetNamedTagType(Name("1")), SoupTypeKUID);
    EXPECT_EQ(TableIds(table), (std::vector<KUID>{{1, 2, 0}, {3, 4, 0}}));
    EXPECT_TRUE(WriteKUIDSetSoup(KUIDSet()).Root().Get() == nullptr);
}

TEST(AssetIdTable, CollectsStrictIdsAnywhereInTheTree)
{
    SoupHandle config;
    config.SetNamedTag(Name("name"), "letters only");
    config.SetNamedTag(Name("number"), "12");
    config.SetNamedTag(Name("loose"), "5:6");
    SoupHandle inner;
    SoupHandle deeper;
    deeper.SetNamedTag(Name("mesh"), "<kuid:5:6>");
    inner.SetNamedSoup(Name("a"), deeper);
    inner.SetNamedTagKUID(Name("b"), KUID(7, 8, 1));
    inner.SetNamedTagKUID(Name("none"), NullKUID);
    config.SetNamedSoup(Name("mesh-table"), inner);
    KUIDSet set;
    CollectSoupKUIDs(config, set);
    EXPECT_EQ(Ids(set), (std::vector<KUID>{{5, 6, 0}, {7, 8, 1}}));
}

TEST(AssetIdTable, DependenciesLeaveOutTheAssetAndWhatItReplaces)
{
    const KUID self(10, 1, 0);
    SoupHandle config = Entry(self);
    KUIDSet table;
    table.Add(self);
    table.Add(KUID(10, 2, 0));
    table.Add(KUID(10, 3, 0));
    SoupHandle kuidTable = WriteKUIDSetSoup(table);
    config.SetNamedSoup(Name("kuid-table"), kuidTable);
    KUIDSet obsolete;
    obsolete.Add(KUID(10, 3, 0));
    SoupHandle obsoleteTable = WriteKUIDSetSoup(obsolete);
    config.SetNamedSoup(Name("obsolete-table"), obsoleteTable);
    config.SetNamedTagKUID(Name("bogey"), KUID(11, 1, 0));
    config.SetNamedTag(Name("alias"), "<kuid:11:2>");

    KUIDSet dependencies;
    CollectAssetDependencies(self, config, dependencies);
    EXPECT_EQ(Ids(dependencies), (std::vector<KUID>{{10, 2, 0}, {11, 1, 0}, {11, 2, 0}}));

    KUIDSet obsoletes;
    config.SetNamedTagKUID(Name("obsoletes-kuid"), KUID(12, 1, 0));
    CollectAssetObsoletes(self, config, obsoletes);
    EXPECT_EQ(Ids(obsoletes), (std::vector<KUID>{{10, 3, 0}, {12, 1, 0}}));
}

TEST(AssetIdTable, LocomotiveWithoutInteriorUsesTheDefaultCab)
{
    const KUID self(20, 1, 0);
    SoupHandle loco = Entry(self, "TrainCar");
    loco.SetNamedTagInt(Name("engine"), 1);
    KUIDSet dependencies;
    CollectAssetDependencies(self, loco, dependencies);
    EXPECT_EQ(Ids(dependencies), (std::vector<KUID>{{-10, 172, 127}}));

    loco.SetNamedTagKUID(Name("interior"), KUID(20, 5, 0));
    KUIDSet withInterior;
    CollectAssetDependencies(self, loco, withInterior);
    EXPECT_EQ(Ids(withInterior), (std::vector<KUID>{{20, 5, 0}}));

    SoupHandle wagon = Entry(self, "traincar");
    KUIDSet none;
    CollectAssetDependencies(self, wagon, none);
    EXPECT_TRUE(none.IsEmpty());
}

TEST(AssetIdTable, MergeAppendsAfterTheHighestNumber)
{
    SoupHandle config = Entry(KUID(1, 1, 0));
    SoupHandle table;
    table.SetNamedTagKUID(Name("0"), KUID(2, 1, 0));
    table.SetNamedTagKUID(Name("1"), KUID(2, 2, 0));
    table.SetNamedTagKUID(Name("5"), KUID(2, 5, 0));
    table.SetNamedTagKUID(Name("extra"), KUID(2, 6, 0));
    config.SetNamedSoup(Name("kuid-table"), table);
    config.SetNamedTag(Name("after"), "x");

    KUIDSet set;
    set.Add(KUID(2, 2, 0));
    set.Add(KUID(3, 1, 0));
    set.Add(KUID(3, 2, 0));
    CDPAssetEntry entry;
    MergeKUIDTable(entry, config, set);
    EXPECT_TRUE(entry.modified);
    const SoupHandle merged = config.GetNamedSoup(Name("kuid-table"));
    EXPECT_EQ(TagNames(merged), (std::vector<std::string>{"0", "1", "5", "extra", "6", "7"}));
    EXPECT_EQ(merged.GetNamedTagAsKUID(Name("7"), NullKUID), KUID(3, 2, 0));
    EXPECT_EQ(TagNames(config).back(), "kuid-table");

    CDPAssetEntry again;
    MergeKUIDTable(again, config, set);
    EXPECT_FALSE(again.modified);
}

TEST(AssetIdTable, MergeIntoAnEmptyTableReplacesIt)
{
    SoupHandle config = Entry(KUID(1, 1, 0));
    CDPAssetEntry untouched;
    MergeKUIDTable(untouched, config, KUIDSet());
    EXPECT_FALSE(untouched.modified);
    EXPECT_EQ(config.GetNamedTagType(Name("kuid-table")), SoupTypeContainer);
    EXPECT_EQ(config.GetNamedSoup(Name("kuid-table")).CountTags(), 0);

    KUIDSet set;
    set.Add(KUID(4, 4, 0));
    CDPAssetEntry entry;
    MergeKUIDTable(entry, config, set);
    EXPECT_TRUE(entry.modified);
    EXPECT_EQ(TableIds(config.GetNamedSoup(Name("kuid-table"))), (std::vector<KUID>{{4, 4, 0}}));
}
