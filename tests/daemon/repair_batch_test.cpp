// The repair's batched writes on a real index: a refused row costs only itself, never its batch, and never half a row.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "results/results_log.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_rows.h"
#include "daemon/repair_batch.h"
#include "daemon/store_connection.h"
#include "daemon/store_schema.h"
#include "support/temp_folder.h"

namespace {

// The index refuses any dependency on this content number, as it would a
// row it cannot store.
constexpr std::int32_t RefusedContent = 666;

KADAssetRecord Row(std::int32_t content, std::vector<KUID> dependencies)
{
    KADAssetRecord record;
    record.id = KUID(424242, content, 0);
    record.flags = AssetInstalled;
    record.revision = 1;
    record.name = "Row " + std::to_string(content);
    record.dependencies = std::move(dependencies);
    return record;
}

TEST(RepairBatch, ARefusedRowIsLostWholeAndAloneAndItsFollowUpNeverRuns)
{
    KorvelTest::TempFolder scratch;
    ASSERT_FALSE(scratch.Root().empty());
    const std::string folder = scratch.Root();
    {
        KADStoreConnection connection;
        ASSERT_TRUE(connection.Open(folder + "/index.sqlite"));
        ASSERT_TRUE(KADMigrateStore(connection));
        ASSERT_TRUE(connection.Exec("CREATE TRIGGER refuse BEFORE INSERT ON dep WHEN NEW.dep_content = 666"
                                    " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        KADAssetStore store;
        ResultsLog log;
        std::set<std::int32_t> followedUp;
        {
            // Two rows per batch: the refused row shares its batch with a good one.
            KADRepairBatch batch(store, connection, log, 2);
            const KUID first(424242, 1, 0);
            const KUID refused(424242, RefusedContent, 0);
            for (const KADAssetRecord& row : {Row(10, {first}), Row(11, {first, refused}), Row(12, {})})
                batch.Save(row, [&followedUp, content = row.id.content] { followedUp.insert(content); });
        }
        EXPECT_EQ(followedUp, (std::set<std::int32_t>{10, 12}));
        EXPECT_EQ(log.ErrorCount(), 1);
        for (std::int32_t content : {10, 11, 12}) {
            KADAssetRecord stored;
            bool present = KADLoadAssetRow(connection, KUID(424242, content, 0), stored);
            KADAssetRecord mirrored;
            EXPECT_EQ(present, content != 11) << content;
            EXPECT_EQ(store.Find(KUID(424242, content, 0), mirrored), present) << content;
            if (present) {
                EXPECT_EQ(stored,
                          Row(content, content == 10 ? std::vector<KUID>{KUID(424242, 1, 0)} : std::vector<KUID>{}));
            }
        }
        // Nothing of the refused row is left behind, not even its first dependency.
        KADStatement lists(connection, "SELECT COUNT(*) FROM dep WHERE content = 11");
        ASSERT_TRUE(lists.Step());
        EXPECT_EQ(lists.ColumnInt64(0), 0);
    }
}

}  // namespace
