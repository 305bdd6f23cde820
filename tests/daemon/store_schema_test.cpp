// The index schema: created from nothing, kept when current, refused when newer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "daemon/store_connection.h"
#include "daemon/store_schema.h"
#include "support/temp_folder.h"

namespace {

class StoreSchemaTest : public KorvelTest::TempFolderTest {
protected:
    const std::string folder = folder_.Root();
    const std::string path = folder + "/index.sqlite";
};

std::int64_t Version(KADStoreConnection& connection)
{
    KADStatement query(connection, "SELECT value FROM meta WHERE key = 'schema_version'");
    return query.Step() ? query.ColumnInt64(0) : -1;
}

}  // namespace

TEST_F(StoreSchemaTest, NewIndexGetsTheCurrentSchemaInWalMode)
{
    KADStoreConnection connection;
    ASSERT_TRUE(connection.Open(path));
    ASSERT_TRUE(KADMigrateStore(connection));
    EXPECT_EQ(Version(connection), KADStoreSchemaVersion());
    KADStatement mode(connection, "PRAGMA journal_mode");
    ASSERT_TRUE(mode.Step());
    EXPECT_EQ(mode.ColumnText(0), "wal");
    KADStatement insert(connection, "INSERT INTO settings (section, soup) VALUES ('s', x'00')");
    EXPECT_TRUE(insert.Run());
}

TEST_F(StoreSchemaTest, MigratingTwiceKeepsTheData)
{
    {
        KADStoreConnection connection;
        ASSERT_TRUE(connection.Open(path));
        ASSERT_TRUE(KADMigrateStore(connection));
        ASSERT_TRUE(connection.Exec("INSERT INTO settings (section, soup) VALUES ('kept', x'01')"));
    }
    KADStoreConnection connection;
    ASSERT_TRUE(connection.Open(path));
    ASSERT_TRUE(KADMigrateStore(connection));
    KADStatement query(connection, "SELECT count(*) FROM settings WHERE section = 'kept'");
    ASSERT_TRUE(query.Step());
    EXPECT_EQ(query.ColumnInt64(0), 1);
}

TEST_F(StoreSchemaTest, NewerIndexIsRefused)
{
    KADStoreConnection connection;
    ASSERT_TRUE(connection.Open(path));
    ASSERT_TRUE(KADMigrateStore(connection));
    ASSERT_TRUE(connection.Exec("UPDATE meta SET value = 999 WHERE key = 'schema_version'"));
    EXPECT_FALSE(KADMigrateStore(connection));
}

TEST_F(StoreSchemaTest, FileThatIsNoDatabaseIsRefused)
{
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fputs("this is not an SQLite database, just some text that is long enough", file);
        std::fclose(file);
    }
    KADStoreConnection connection;
    EXPECT_FALSE(connection.Open(path) && KADMigrateStore(connection));
}
