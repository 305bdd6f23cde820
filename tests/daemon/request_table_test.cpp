// The daemon's request table holds every row of the link's request table on its lane, and nothing else.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "assetdb/protocol/kad_requests.h"
#include "daemon/request_table.h"

namespace {

struct Row {
    std::int32_t code;
    const char* name;
    std::string lane;
    bool testHook;
};

const Row Rows[] = {
#define KAD_REQUEST(code, name, lane) {code, #name, #lane, false},
#define KAD_TEST_HOOK_REQUEST(code, name, lane) {code, #name, #lane, true},
#include "assetdb/protocol/kad_requests.def"
};

std::string LaneName(KADRequestLane lane)
{
    switch (lane) {
    case KADRequestLane::Reader:
        return "Reader";
    case KADRequestLane::Inline:
        return "Inline";
    case KADRequestLane::Fast:
        return "Fast";
    case KADRequestLane::Long:
        return "Long";
    }
    return "?";
}

TEST(RequestTable, EveryRowWithALaneIsRegisteredOnItAndEveryRowOfLaneNoneIsNot)
{
    KADRequestTable table = KADBuildRequestTable();
    for (const Row& row : Rows) {
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(KADRequestName(static_cast<KADRequestCode>(row.code)), row.name);
        const KADRequestEntry* entry = table.Find(row.code);
#ifndef KORVEL_TEST_HOOKS
        if (row.testHook) {
            EXPECT_EQ(entry, nullptr);
            continue;
        }
#endif
        if (row.lane == "None") {
            EXPECT_EQ(entry, nullptr);
            continue;
        }
        ASSERT_NE(entry, nullptr);
        EXPECT_NE(entry->handler, nullptr);
        EXPECT_EQ(LaneName(entry->lane), row.lane);
    }
}

TEST(RequestTable, ACodeOutsideTheTableHasNoHandler)
{
    KADRequestTable table = KADBuildRequestTable();
    for (std::int32_t code : {1, 5, 77, 8999, 123456}) {
        EXPECT_EQ(table.Find(code), nullptr) << code;
        EXPECT_EQ(KADRequestName(static_cast<KADRequestCode>(code)), nullptr) << code;
    }
}

}  // namespace
