// The repair on an index it cannot read whole: it stops with an error line and changes no row.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "results/results_log.h"
#include "asset_test_support.h"
#include "daemon/asset_store.h"
#include "daemon/daemon_config.h"
#include "daemon/repair_run.h"
#include "daemon/store_connection.h"
#include "daemon/store_schema.h"
#include "support/temp_folder.h"

namespace {

constexpr int AssetCount = 200;

// Interrupts the statement running at the given count of virtual-machine
// steps, once: a read of the index that fails part way, as a damaged page
// or an I/O error makes it fail, while later writes still succeed.
struct OneInterruption {
    long countdown;
    static int Tick(void* self)
    {
        long& left = static_cast<OneInterruption*>(self)->countdown;
        return --left == 0 ? 1 : 0;
    }
};

TEST(RepairIndexRead, ARepairThatCannotReadTheIndexWholeChangesNoRow)
{
    KorvelTest::TempFolder scratch;
    ASSERT_FALSE(scratch.Root().empty());
    const std::string root = scratch.Root();
    const std::string userData = root + "/UserData";
    const std::string database = userData + "/assets.tdx";
    std::filesystem::create_directories(database);
    for (int content = 1; content <= AssetCount; ++content) {
        WriteAssetFolder(userData + "/local/kuid_424242_" + std::to_string(content) + "_0/r1/asset",
                         "kuid <kuid:424242:" + std::to_string(content) + ">\nkind \"scenery\"\n", {});
    }
    {
        KADStoreConnection connection;
        ASSERT_TRUE(connection.Open(database + "/index.sqlite"));
        ASSERT_TRUE(KADMigrateStore(connection));
        ASSERT_TRUE(KADAssetStore::Start(userData, database, KADDaemonConfig(), connection));
        KADAssetStore& store = *KADAssetStore::Instance();
        auto quiet = [](float, const std::string&) {};
        ResultsLog first;
        KADRunRepair(store, connection, KADRepairModeNormal, first, quiet);
        ASSERT_EQ(first.ErrorCount(), 0);
        // What only the rows know: a rating and a keyword set by the user.
        ASSERT_TRUE(connection.Exec("UPDATE asset SET rating = 5, keywords = 'kept'"));

        // Far enough in to be past the first rows, well before the last.
        OneInterruption interruption{3000};
        sqlite3_progress_handler(connection.Handle(), 1, &OneInterruption::Tick, &interruption);
        ResultsLog second;
        KADRunRepair(store, connection, KADRepairModeNormal, second, quiet);
        sqlite3_progress_handler(connection.Handle(), 0, nullptr, nullptr);
        ASSERT_LE(interruption.countdown, 0) << "the repair read less than the test expects";

        EXPECT_EQ(second.ErrorCount(), 1);
        KADStatement kept(connection, "SELECT COUNT(*) FROM asset WHERE rating = 5 AND keywords = 'kept'");
        ASSERT_TRUE(kept.Step());
        EXPECT_EQ(kept.ColumnInt64(0), AssetCount);
    }
}

}  // namespace
