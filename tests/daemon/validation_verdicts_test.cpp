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
#include "support/temp_folder.h"

namespace {

// The host judged a folder while the asset changed under it: a verdict about
// a revision that is no longer the asset's says nothing about the new one.
TEST(ValidationVerdicts, AVerdictAboutAFolderTheAssetNoLongerHasIsNotRecorded)
{
    KorvelTest::TempFolder scratch;
    ASSERT_FALSE(scratch.Root().empty());
    const std::string folder = scratch.Root();
    {
        KADStoreConnection connection;
        ASSERT_TRUE(connection.Open(folder + "/index.sqlite"));
        ASSERT_TRUE(KADMigrateStore(connection));
        KADAssetStore store;
        KADAssetRecord row;
        row.id = KUID(424242, 1, 0);
        row.flags = AssetInstalled | AssetOpenForEdit;
        row.revision = 3;
        row.editGeneration = 2;
        row.leaf = "asset";
        ASSERT_TRUE(KADSaveAssetRow(connection, row));
        store.PutInMirror(row);
        KADAssetRecord replaced = row;
        replaced.revision = 2;
        const std::string root = store.UserDataRoot();

        struct Case {
            const char* what;
            std::string judged;
            bool recorded;
        };
        const Case cases[] = {
            {"the revision the commit replaced", KADCommittedFolder(root, replaced), false},
            {"the current revision", KADCommittedFolder(root, row), true},
            {"the open edit copy", KADEditFolder(root, row), true},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            ResultsLog log;
            KADValidationVerdict verdict;
            verdict.id = row.id;
            verdict.folder = c.judged;
            verdict.faulty = true;
            KADRecordValidationVerdicts(store, connection, {verdict}, log);
            KADAssetRecord stored;
            ASSERT_TRUE(KADLoadAssetRow(connection, row.id, stored));
            EXPECT_EQ(stored.Has(AssetFaulty), c.recorded);
            KADAssetRecord mirrored;
            ASSERT_TRUE(store.Find(row.id, mirrored));
            EXPECT_EQ(mirrored.Has(AssetFaulty), c.recorded);
            // Back to unjudged for the next case.
            ASSERT_TRUE(KADSaveAssetRow(connection, row));
            store.PutInMirror(row);
        }
    }
}

}  // namespace
