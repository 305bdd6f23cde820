// The shared memory budget of request payloads, and the limit each kind of request has.
#include <gtest/gtest.h>

#include <memory>

#include "daemon/payload_budget.h"
#include "daemon/request_limits.h"
#include "daemon/request_table.h"
#include "assetdb/protocol/kad_requests.h"

namespace {

constexpr std::size_t MiB = 1024 * 1024;
constexpr std::size_t Allowance = KADConnectionPayloads::OwnAllowance;
constexpr std::int32_t SearchAssets = KADRequestNumber(KADRequestCode::SearchAssets);
constexpr std::int32_t GetSetting = KADRequestNumber(KADRequestCode::GetSetting);

}  // namespace

TEST(PayloadBudget, TakesUpToItsLimitAndGetsBackWhatIsGiven)
{
    KADPayloadBudget budget(10);
    EXPECT_TRUE(budget.Take(6));
    EXPECT_FALSE(budget.Take(5));
    EXPECT_EQ(budget.InUse(), 6u);
    EXPECT_TRUE(budget.Take(4));
    budget.Give(6);
    EXPECT_EQ(budget.InUse(), 4u);
    {
        KADPayloadClaim claim(&budget, 4);
        KADPayloadClaim moved(std::move(claim));
    }
    EXPECT_EQ(budget.InUse(), 0u);
}

TEST(PayloadBudget, EachRequestsFirstBytesAreTheConnectionsOwn)
{
    KADPayloadBudget budget(1 * MiB);
    KADConnectionPayloads first(budget);
    ASSERT_TRUE(first.Admit(SearchAssets, 4 * MiB));
    ASSERT_TRUE(first.Reserve(Allowance));
    EXPECT_EQ(budget.InUse(), 0u);
    ASSERT_TRUE(first.Reserve(1 * MiB));
    EXPECT_EQ(budget.InUse(), 1 * MiB);
    // The budget is spent: a second connection still gets its allowance,
    // not a byte more.
    KADConnectionPayloads second(budget);
    ASSERT_TRUE(second.Admit(GetSetting, Allowance));
    EXPECT_TRUE(second.Reserve(Allowance));
    ASSERT_TRUE(second.Admit(SearchAssets, 2 * Allowance));
    EXPECT_FALSE(second.Reserve(Allowance + 1));
    EXPECT_EQ(budget.InUse(), 1 * MiB);
}

TEST(PayloadBudget, AClaimCarriesTheRequestsShareUntilItGoes)
{
    KADPayloadBudget budget(8 * MiB);
    auto connection = std::make_unique<KADConnectionPayloads>(budget);
    ASSERT_TRUE(connection->Admit(SearchAssets, 2 * MiB + Allowance));
    ASSERT_TRUE(connection->Reserve(2 * MiB + Allowance));
    KADPayloadClaim claim = connection->TakeClaim();
    // The next request of the connection starts from nothing.
    ASSERT_TRUE(connection->Admit(SearchAssets, 3 * MiB + Allowance));
    ASSERT_TRUE(connection->Reserve(3 * MiB + Allowance));
    EXPECT_EQ(budget.InUse(), 5 * MiB);
    claim.Release();
    EXPECT_EQ(budget.InUse(), 3 * MiB);
    // A connection that ends mid-request gives its part back.
    connection.reset();
    EXPECT_EQ(budget.InUse(), 0u);
}

TEST(RequestLimits, EveryRequestTheDaemonAnswersHasALimitOfItsOwn)
{
    KADRequestTable table = KADBuildRequestTable();
    int registered = 0;
    for (std::int32_t code = 0; code < 10000; ++code) {
        if (table.Find(code) == nullptr)
            continue;
        ++registered;
        EXPECT_TRUE(KADHasOwnPayloadLimit(code)) << code;
    }
    EXPECT_GT(registered, 40);
}

TEST(RequestLimits, SmallKindsAreSmallAndListsAreLarge)
{
    struct Case {
        std::int32_t code;
        std::size_t atLeast;
        std::size_t atMost;
    };
    const Case cases[] = {
        {KADRequestNumber(KADRequestCode::HostKeepAlive), 0, 4096},                  // keep-alive: nothing
        {KADRequestNumber(KADRequestCode::GetAssetInfo), 12, 4096},                  // asset info: KUID, mask
        {KADRequestNumber(KADRequestCode::SetLatestVersion), 16, 4096},              // latest version: two KUIDs
        {GetSetting, 2 * 65540, 1 * MiB},                                            // two strings
        {KADRequestNumber(KADRequestCode::SetSetting), 3 * 65540, 1 * MiB},          // three strings
        {SearchAssets, 32 * MiB, 128 * MiB},                                         // a filter with an id list
        {KADRequestNumber(KADRequestCode::GetDependencies), 32 * MiB, 128 * MiB},    // dependencies of a list
        {KADRequestNumber(KADRequestCode::CommandHostAnswer), 32 * MiB, 128 * MiB},  // a host's results log
        {12345, 0, 64 * 1024},                                                       // unknown
    };
    for (const Case& c : cases) {
        EXPECT_GE(KADMaxRequestPayload(c.code), c.atLeast) << c.code;
        EXPECT_LE(KADMaxRequestPayload(c.code), c.atMost) << c.code;
    }
}
