// Validation verdicts kept in the rows: a verdict lands only on the folder it judged.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "results/results_log.h"
#include "daemon/asset_folders.h"
#include "daemon/asset_store.h"
#include "daemon/asset_store_rows.h"
#include "daemon/store_connection.h"
#include "daemon/store_schema.h"
#include "daemon/validation_verdicts.h"

namespace {

// The host judged a folder while the asset changed under it: a verdict about
// a revision that is no longer the asset's says nothing about the new one.
TEST(ValidationVerdicts, AVerdictAboutAFolderTheAssetNoLongerHasIsNotRecorded)
{
    char pattern[] = "/tmp/KadValidationVerdicts.XXXXXX";
    const std::string folder = mkdtemp(pattern);
    {
        KadStoreConnection connection;
        ASSERT_TRUE(connection.Open(folder + "/index.sqlite"));
        ASSERT_TRUE(KadMigrateStore(connection));
        KadAssetStore store;
        KadAssetRecord row;
        row.id = KUID(424242, 1, 0);
        row.flags = AssetInstalled | AssetOpenForEdit;
        row.revision = 3;
        row.editGeneration = 2;
        row.leaf = "asset";
        ASSERT_TRUE(KadSaveAssetRow(connection, row));
        store.PutInMirror(row);
        KadAssetRecord replaced = row;
        replaced.revision = 2;
        const std::string root = store.UserDataRoot();

        struct Case {
            const char* what;
            std::string judged;
            bool recorded;
        };
        const Case cases[] = {
            {"the revision the commit replaced", KadCommittedFolder(root, replaced), false},
            {"the current revision", KadCommittedFolder(root, row), true},
            {"the open edit copy", KadEditFolder(root, row), true},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            ResultsLog log;
            KadValidationVerdict verdict;
            verdict.id = row.id;
            verdict.folder = c.judged;
            verdict.faulty = true;
            KadRecordValidationVerdicts(store, connection, {verdict}, log);
            KadAssetRecord stored;
            ASSERT_TRUE(KadLoadAssetRow(connection, row.id, stored));
            EXPECT_EQ(stored.Has(AssetFaulty), c.recorded);
            KadAssetRecord mirrored;
            ASSERT_TRUE(store.Find(row.id, mirrored));
            EXPECT_EQ(mirrored.Has(AssetFaulty), c.recorded);
            // Back to unjudged for the next case.
            ASSERT_TRUE(KadSaveAssetRow(connection, row));
            store.PutInMirror(row);
        }
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
