// The transaction-id registry of results logs.
#include <gtest/gtest.h>

#include <memory>

#include "results/results_log_registry.h"
#include "results_log_test_support.h"

TEST(ResultsLogRegistry, RegisterFindReplaceUnregister)
{
    ResultsLog first;
    ResultsLog second;
    EXPECT_EQ(ResultsLogRegistry::Find(101), nullptr);
    ResultsLogRegistry::Register(101, &first);
    EXPECT_EQ(ResultsLogRegistry::Find(101), &first);
    ResultsLogRegistry::Register(101, &second);
    EXPECT_EQ(ResultsLogRegistry::Find(101), &second);
    ResultsLogRegistry::Unregister(101);
    EXPECT_EQ(ResultsLogRegistry::Find(101), nullptr);
    ResultsLogRegistry::Unregister(101);  // a second removal does nothing
}

TEST(ResultsLogRegistry, DestroyedLogLeavesEveryEntryThatMapsToIt)
{
    ResultsLog survivor;
    auto log = std::make_unique<ResultsLog>();
    ResultsLogRegistry::Register(201, log.get());
    ResultsLogRegistry::Register(202, log.get());
    ResultsLogRegistry::Register(203, &survivor);
    log.reset();
    EXPECT_EQ(ResultsLogRegistry::Find(201), nullptr);
    EXPECT_EQ(ResultsLogRegistry::Find(202), nullptr);
    EXPECT_EQ(ResultsLogRegistry::Find(203), &survivor);
    ResultsLogRegistry::Unregister(203);
}

TEST(ResultsLogRegistry, ReadIntoDeliversToTheRegisteredLogOrDropsTheLines)
{
    ResultsLog source;
    source.AddMessage(ResultsLog::MessageKind::Error, "from the daemon");
    TBuffer wire;
    source.WriteTo(wire, 0);

    ResultsLog target;
    ResultsLogRegistry::Register(301, &target);
    wire.Rewind();
    EXPECT_TRUE(ResultsLogRegistry::ReadInto(301, wire));
    EXPECT_EQ(target.ErrorCount(), 1);

    wire.Rewind();
    EXPECT_FALSE(ResultsLogRegistry::ReadInto(302, wire));
    EXPECT_TRUE(wire.Eof());  // consumed even without a log
    EXPECT_EQ(target.LineCount(), 1);
    ResultsLogRegistry::Unregister(301);
}
