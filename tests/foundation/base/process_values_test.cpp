// Process-wide values: the main thread's id and the start-up marker.
#include <thread>

#include <gtest/gtest.h>

#include "foundation/base/process_values.h"

namespace {

TEST(ProcessValues, NoThreadIsMainUntilRecorded)
{
    if (GetMainThreadId() == 0) {
        EXPECT_FALSE(IsMainThread());
    }
    SetMainThread("KorvelUtil");
    EXPECT_TRUE(IsMainThread());
    EXPECT_EQ(GetMainThreadId(), CurrentThreadId());
    EXPECT_STREQ(GetProgramName(), "KorvelUtil");
    std::thread([] { EXPECT_FALSE(IsMainThread()); }).join();
}

TEST(ProcessValues, StartupMarkerExistsOnlyBetweenStartAndShutdown)
{
    EXPECT_FALSE(IsStartupComplete());
    StartupCompleteMarker.store(new std::uint8_t(0));
    EXPECT_TRUE(IsStartupComplete());
    delete StartupCompleteMarker.exchange(nullptr);
    EXPECT_FALSE(IsStartupComplete());
}

}  // namespace
