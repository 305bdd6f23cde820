// The packed row table gives back every row as it was put, in id order, through replacements, erasures and rewrites.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "daemon/asset_store_table.h"

namespace {

// Rows with every field set, some texts long (past the short-string size
// and past one byte of length), some lists present.
KADAssetRecord Row(std::uint32_t seed, const KUID& id)
{
    std::mt19937 random(seed);
    auto pick = [&random](int count) { return static_cast<int>(random() % static_cast<std::uint32_t>(count)); };
    KADAssetRecord row;
    row.id = id;
    row.flags = random() & 0xfff;
    row.store = pick(4) == 0 ? "original" : "local";
    row.revision = pick(9);
    row.leaf = "leaf" + std::to_string(seed);
    row.editGeneration = pick(3);
    row.name = std::string(static_cast<std::size_t>(pick(3) * 90), 'n') + std::to_string(seed);
    row.kind = pick(2) == 0 ? "traincar" : "hueshop-loco";
    row.category = pick(2) == 0 ? "TR;TV" : "";
    row.region = "R" + std::to_string(seed);  // a new pool value almost every time
    row.era = pick(2) == 0 ? "1950s" : "";
    row.keywords = pick(3) == 0 ? "fast;red" : "";
    row.description = std::string(static_cast<std::size_t>(pick(2) * 3000), 'd');
    row.authorName = "author" + std::to_string(seed % 5);
    row.build = 3.5f + static_cast<float>(pick(4));
    row.authorId = -pick(1000);
    row.rating = pick(256);
    row.installedTime = -1 - static_cast<std::int64_t>(random()) * 4096;
    row.modifiedTime = static_cast<std::int64_t>(random()) << 20;
    row.downloadSize = pick(5) - 1;
    row.hasScript = pick(2) == 0;
    for (int i = pick(4); i > 0; --i)
        row.dependencies.push_back(KUID(pick(100), pick(100), pick(128)));
    for (int i = pick(3); i > 0; --i)
        row.obsoletes.push_back(KUID(-pick(100), pick(100), 127));
    return row;
}

void ExpectSame(const KADAssetTable& table, const std::map<KUID, KADAssetRecord>& expected, int step)
{
    ASSERT_EQ(table.Count(), expected.size()) << "step " << step;
    auto next = expected.begin();
    table.ForEach([&](const KADAssetRecord& row) {
        ASSERT_NE(next, expected.end());
        EXPECT_TRUE(row == next->second) << "step " << step << ": row " << row.id.ToColonString().c_str();
        ++next;
    });
}

TEST(AssetStoreTable, AgreesWithAMapThroughEveryKindOfChange)
{
    // Ids drawn from a small space, so puts replace and erasures hit; the
    // churn, the long descriptions and the new regions make the table
    // rewrite itself many times over.
    std::mt19937 random(7);
    KADAssetTable table;
    std::map<KUID, KADAssetRecord> expected;
    std::vector<KADAssetRecord> loaded;
    for (std::uint32_t i = 0; i < 3000; ++i)
        loaded.push_back(
            Row(i, KUID(static_cast<std::int32_t>(random() % 20), static_cast<std::int32_t>(random() % 20), 0)));
    for (const KADAssetRecord& row : loaded) {
        table.Append(row);
        expected.emplace(row.id, row);  // the first of one id is kept
    }
    table.FinishAppends();
    ExpectSame(table, expected, 0);
    for (int step = 1; step <= 30000; ++step) {
        KUID id(static_cast<std::int32_t>(random() % 20), static_cast<std::int32_t>(random() % 20),
                static_cast<std::int32_t>(random() % 3));
        if (random() % 3 == 0) {
            table.Erase(id);
            expected.erase(id);
        } else {
            KADAssetRecord row = Row(random(), id);
            table.Put(row);
            expected[id] = row;
        }
        KADAssetRecord found;
        auto known = expected.find(id);
        ASSERT_EQ(table.Find(id, found), known != expected.end()) << "step " << step;
        if (known != expected.end()) {
            ASSERT_TRUE(found == known->second) << "step " << step;
        }
        if (step % 5000 == 0)
            ExpectSame(table, expected, step);
    }
    for (std::int32_t content = 0; content < 20; ++content) {
        std::int32_t highest = -1;
        std::int32_t highestInstalled = -1;
        for (const auto& [id, row] : expected) {
            if (id.user == 5 && id.content == content) {
                highest = std::max(highest, id.version);
                if (row.Has(AssetInstalled))
                    highestInstalled = std::max(highestInstalled, id.version);
            }
        }
        EXPECT_EQ(table.HighestVersion(5, content, false), highest);
        EXPECT_EQ(table.HighestVersion(5, content, true), highestInstalled);
    }
    table.Clear();
    KADAssetRecord none;
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_FALSE(table.Find(KUID(5, 5, 0), none));
}

}  // namespace
